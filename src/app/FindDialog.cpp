// Find dialog.
#include "app/FindDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace app {

FindDialog::FindDialog(QWidget* parent)
    : QDialog(parent),
      m_text(new QLineEdit(this)),
      m_case(new QCheckBox(tr("Match &case"), this)),
      m_detail(new QCheckBox(tr("Search in &detail"), this)),
      m_up(new QRadioButton(tr("&Up"), this)),
      m_down(new QRadioButton(tr("&Down"), this)),
      m_find(new QPushButton(tr("&Find Next"), this)),
      m_stop(new QPushButton(tr("&Stop"), this)),
      m_progress(new QProgressBar(this)) {
    setWindowTitle(tr("Find"));
    setObjectName(QStringLiteral("FindDialog"));
    setWhatsThis(tr("<b>Find</b><p>Looks for a packet whose summary at the list's level, or (Search in detail) "
                    "whose decoded detail text, holds the text, from the current packet on, across screens. "
                    "Letter case is ignored unless Match case is checked. F3 and Shift+F3 look again, forward "
                    "and back.</p>"));
    m_text->setWhatsThis(tr("<b>Find what</b><p>The text to look for.</p>"));
    m_case->setWhatsThis(tr("<b>Match case</b><p>Upper and lower case letters must match as typed.</p>"));
    m_detail->setWhatsThis(tr("<b>Search in detail</b><p>Searches every decoded field of a packet, as the detail "
                              "text shows it, instead of its summary; slower on large traces.</p>"));
    m_up->setWhatsThis(tr("<b>Up</b><p>Searches towards the beginning of the trace.</p>"));
    m_down->setWhatsThis(tr("<b>Down</b><p>Searches towards the end of the trace.</p>"));
    m_find->setWhatsThis(tr("<b>Find Next</b><p>Shows and selects the next packet that holds the text.</p>"));
    m_stop->setWhatsThis(tr("<b>Stop</b><p>Ends the search in hand; the current packet stays as it is.</p>"));
    m_progress->setWhatsThis(tr("<b>Progress</b><p>How much of the trace the search has looked at.</p>"));
    m_down->setChecked(true);
    m_find->setDefault(true);

    auto* direction = new QGroupBox(tr("Direction"), this);
    auto* directions = new QHBoxLayout(direction);
    directions->addWidget(m_up);
    directions->addWidget(m_down);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_find, QDialogButtonBox::ActionRole);
    buttons->addButton(m_stop, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_stop, &QPushButton::clicked, this, &FindDialog::StopRequested);
    connect(m_find, &QPushButton::clicked, this, [this] {
        if (!m_text->text().isEmpty()) emit FindRequested(Request());
    });
    connect(m_text, &QLineEdit::textChanged, this, [this](const QString& text) { m_find->setEnabled(!text.isEmpty()); });
    m_find->setEnabled(false);
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(m_progress->fontMetrics().height() / 2 + 2);
    Searching(false);

    auto* what = new QHBoxLayout;
    auto* label = new QLabel(tr("Fi&nd what:"), this);
    label->setBuddy(m_text);
    what->addWidget(label);
    what->addWidget(m_text, 1);
    auto* options = new QHBoxLayout;
    auto* checks = new QVBoxLayout;
    checks->addWidget(m_case);
    checks->addWidget(m_detail);
    options->addLayout(checks);
    options->addWidget(direction);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(what);
    layout->addLayout(options);
    layout->addWidget(m_progress);
    layout->addWidget(buttons);
}

void FindDialog::Searching(bool on) {
    m_stop->setEnabled(on);
    m_progress->setValue(0);
    // Kept in the layout while hidden, so the dialog does not change size.
    QSizePolicy policy = m_progress->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    m_progress->setSizePolicy(policy);
    m_progress->setVisible(on);
}

FindRequest FindDialog::Request() const {
    return {m_text->text(), m_case->isChecked(),
            m_detail->isChecked() ? packetlist::FindIn::Detail : packetlist::FindIn::Summary, !m_up->isChecked()};
}

}  // namespace app
