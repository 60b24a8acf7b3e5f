// The "File settings" page's controls; the enablement rule and the checks are the model's.
#include "profiles/ui/CKestroFilePropPage.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpressionValidator>

#include "profiles/ui/TraceFileBrowser.h"
#include "widgets/QtText.h"

namespace profiles::ui {

using widgets::Q;

namespace {

// An edit that takes digits only, as a numbers-only field does.
QLineEdit* NumberEdit(const QString& name, std::int64_t value, QWidget* parent) {
    auto* edit = new QLineEdit(QString::number(value), parent);
    edit->setObjectName(name);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setMaxLength(10);
    return edit;
}

QLineEdit* TextEdit(const QString& name, const std::string& text, std::size_t maxLength, QWidget* parent) {
    auto* edit = new QLineEdit(QString::fromStdString(text), parent);
    edit->setObjectName(name);
    edit->setMaxLength(static_cast<int>(maxLength));
    return edit;
}

template <std::size_t N>
QComboBox* UnitCombo(const QString& name, const std::array<std::string_view, N>& texts, int index, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    for (const auto text : texts) combo->addItem(Q(text));
    combo->setCurrentIndex(index);
    return combo;
}

}  // namespace

CKestroFilePropPage::CKestroFilePropPage(const ProfileForm& form, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fileSettingsPage"));
    m_name = TextEdit(QStringLiteral("profileName"), form.name, kMaxNameLength, this);
    m_server = TextEdit(QStringLiteral("serverAddress"), form.serverAddress, kMaxServerLength, this);
    m_queue = NumberEdit(QStringLiteral("queueLength"), form.queueLength, this);
    m_queue->setMaxLength(4);
    m_traceFile = TextEdit(QStringLiteral("traceFile"), form.traceFile, kMaxTraceFileLength, this);
    m_browse = new QPushButton(QStringLiteral("..."), this);
    m_browse->setObjectName(QStringLiteral("browse"));
    m_browse->setFixedWidth(m_browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Profile name:"), m_name);
    fields->addRow(QStringLiteral("Server address:"), m_server);
    fields->addRow(QStringLiteral("Server queue length :"), m_queue);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_traceFile);
    fileRow->addWidget(m_browse);
    fields->addRow(QStringLiteral("Save to file:"), fileRow);

    auto* constraints = new QGroupBox(QStringLiteral("Trace file constraints"), this);
    m_limitMode = new QListWidget(constraints);
    m_limitMode->setObjectName(QStringLiteral("limitMode"));
    for (const auto text : kLimitModeTexts) m_limitMode->addItem(Q(text));
    m_limitMode->setFixedHeight(m_limitMode->sizeHintForRow(0) * static_cast<int>(kLimitModeTexts.size()) +
                                2 * m_limitMode->frameWidth() + 2);
    m_sizeValue = NumberEdit(QStringLiteral("sizeValue"), form.sizeValue, constraints);
    m_sizeUnit = UnitCombo(QStringLiteral("sizeUnit"), kSizeUnitTexts, form.sizeUnit, constraints);
    m_timeValue = NumberEdit(QStringLiteral("timeValue"), form.timeValue, constraints);
    m_timeUnit = UnitCombo(QStringLiteral("timeUnit"), kTimeUnitTexts, form.timeUnit, constraints);
    auto* limits = new QGridLayout(constraints);
    limits->addWidget(m_limitMode, 0, 0, 3, 1);
    limits->addWidget(new QLabel(QStringLiteral("Trace file size :"), constraints), 0, 1);
    limits->addWidget(m_sizeValue, 0, 2);
    limits->addWidget(m_sizeUnit, 0, 3);
    limits->addWidget(new QLabel(QStringLiteral("Time limit :"), constraints), 1, 1);
    limits->addWidget(m_timeValue, 1, 2);
    limits->addWidget(m_timeUnit, 1, 3);
    limits->setRowStretch(2, 1);

    // The limit is looked at between blocks, and a pause by it takes nothing more from the
    // agent: a file ends at most one block (one batch from the agent) past it.
    const QString sizeLimit = QStringLiteral(
        "Capture pauses at the first block that takes the trace file to this size or past it, "
        "so the file ends at most one block (one batch from the agent) beyond the limit; "
        "what the agent still holds then is not taken.");
    const std::pair<QWidget*, QString> explained[] = {
        {m_name, QStringLiteral("The name the profile is listed under.")},
        {m_server, QStringLiteral("The host of the capture agent: a name, an address, or ssh://[user@]host[:port] "
                                  "to reach it through your SSH login.")},
        {m_queue, QStringLiteral("The server queue length kept with the profile, from 1 to 3000.")},
        {m_traceFile, QStringLiteral("The trace file (.tns) the capture writes.")},
        {m_browse, QStringLiteral("Chooses the trace file in a file dialog.")},
        {m_limitMode, QStringLiteral("Which limits pause the capture: none, the file's size, the capture's time, "
                                     "or both.")},
        {m_sizeValue, sizeLimit},
        {m_sizeUnit, sizeLimit},
        {m_timeValue, QStringLiteral("Capture pauses when it has run this long.")},
        {m_timeUnit, QStringLiteral("Capture pauses when it has run this long.")}};
    for (const auto& [widget, text] : explained) widget->setWhatsThis(text);
    m_sizeValue->setToolTip(sizeLimit);

    auto* page = new QVBoxLayout(this);
    page->addLayout(fields);
    page->addWidget(constraints);
    page->addStretch(1);

    connect(m_limitMode, &QListWidget::currentRowChanged, this, &CKestroFilePropPage::ApplyLimitMode);
    connect(m_browse, &QPushButton::clicked, this, &CKestroFilePropPage::Browse);
    // A new profile starts at "No limits"; an edited one at its own mode.
    const bool known = form.limitMode >= 0 && form.limitMode < static_cast<int>(kLimitModeTexts.size());
    m_limitMode->setCurrentRow(known ? form.limitMode : CSessionProfile::kNoLimits);
    ApplyLimitMode(m_limitMode->currentRow());
}

void CKestroFilePropPage::ApplyLimitMode(int mode) {
    const LimitControls enabled = LimitControlsFor(mode);
    m_sizeValue->setEnabled(enabled.size);
    m_sizeUnit->setEnabled(enabled.size);
    m_timeValue->setEnabled(enabled.time);
    m_timeUnit->setEnabled(enabled.time);
}

void CKestroFilePropPage::Browse() {
    auto dialog = MakeTraceFileDialog(this, m_traceFile->text());
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
        m_traceFile->setText(dialog->selectedFiles().first());
}

std::optional<FormProblem> CKestroFilePropPage::Read(ProfileForm& form) const {
    form.name = m_name->text().toStdString();
    form.serverAddress = m_server->text().toStdString();
    form.traceFile = m_traceFile->text().toStdString();
    form.limitMode = m_limitMode->currentRow();
    form.sizeUnit = m_sizeUnit->currentIndex();
    form.timeUnit = m_timeUnit->currentIndex();
    const std::pair<QLineEdit*, std::int64_t*> numbers[] = {
        {m_queue, &form.queueLength}, {m_sizeValue, &form.sizeValue}, {m_timeValue, &form.timeValue}};
    const FormField fields[] = {FormField::QueueLength, FormField::SizeValue, FormField::TimeValue};
    for (std::size_t i = 0; i < std::size(numbers); ++i) {
        const auto value = ProfileForm::ParseNumber(numbers[i].first->text().toStdString());
        if (!value) return FormProblem{fields[i], "Please enter an integer."};
        *numbers[i].second = *value;
    }
    return std::nullopt;
}

QWidget* CKestroFilePropPage::FieldWidget(FormField field) const {
    switch (field) {
        case FormField::Name:
            return m_name;
        case FormField::Server:
            return m_server;
        case FormField::QueueLength:
            return m_queue;
        case FormField::TraceFile:
            return m_traceFile;
        case FormField::LimitMode:
            return m_limitMode;
        case FormField::SizeValue:
            return m_sizeValue;
        case FormField::SizeUnit:
            return m_sizeUnit;
        case FormField::TimeValue:
            return m_timeValue;
        case FormField::TimeUnit:
            return m_timeUnit;
        case FormField::FilterType:
            break;
    }
    return nullptr;
}

}  // namespace profiles::ui
