// The Session Profiles dialog's widgets; every decision is the model's.
#include "profiles/ui/CSessionProfilesDlg.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "profiles/ui/ProfileSettingsSheet.h"

namespace profiles::ui {

CSessionProfilesDlg::CSessionProfilesDlg(QWidget* parent, SessionProfilesModel::TraceFileOpen traceFileOpen,
                                         const std::string& registryPath, core::UserPrompt* prompt)
    : QDialog(parent),
      m_boxes(this),
      m_prompt(prompt != nullptr ? *prompt : m_boxes),
      m_store(m_prompt, registryPath),
      m_model(m_store, m_prompt, std::move(traceFileOpen)) {
    setWindowTitle(QStringLiteral("Session Profiles"));
    setObjectName(QStringLiteral("sessionProfiles"));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("profileText"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("profileList"));
    m_list->setFocusProxy(m_text);
    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    left->addWidget(m_text);
    left->addWidget(m_list);

    const auto button = [this](const QString& text, const QString& name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    auto* ok = button(QStringLiteral("&OK"), QStringLiteral("ok"));
    ok->setDefault(true);
    auto* cancel = button(QStringLiteral("&Cancel"), QStringLiteral("cancel"));
    auto* add = button(QStringLiteral("&New profile"), QStringLiteral("new"));
    m_edit = button(QStringLiteral("&Edit profile"), QStringLiteral("edit"));
    m_delete = button(QStringLiteral("&Delete profile"), QStringLiteral("delete"));
    auto* help = button(QStringLiteral("Help"), QStringLiteral("help"));
    auto* right = new QVBoxLayout;
    for (auto* b : {ok, cancel}) right->addWidget(b);
    right->addSpacing(12);
    for (auto* b : {add, m_edit, m_delete}) right->addWidget(b);
    right->addStretch(1);
    right->addWidget(help);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    connect(ok, &QPushButton::clicked, this, &CSessionProfilesDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSessionProfilesDlg::reject);
    connect(add, &QPushButton::clicked, this, &CSessionProfilesDlg::NewProfile);
    connect(m_edit, &QPushButton::clicked, this, &CSessionProfilesDlg::EditProfile);
    connect(m_delete, &QPushButton::clicked, this, &CSessionProfilesDlg::DeleteProfile);
    widgets::SetDialogHelp(*this, QStringLiteral("A session profile names a capture agent's host, the trace file the "
                                                 "capture writes, its size and time limits and its capture filter. "
                                                 "Choose a profile and press OK to start a live capture with it; New, "
                                                 "Edit and Delete keep the list."));
    connect(help, &QPushButton::clicked, this, [this] {
        widgets::ShowDialogHelp(*this);
        emit helpRequested();
    });
    const std::pair<QWidget*, const char*> explained[] = {
        {m_text, "The name of the profile to use; typing selects the profile of that name."},
        {m_list, "The stored session profiles. Double-click one to start a capture with it."},
        {ok, "Starts a live capture with the selected profile."},
        {cancel, "Closes the dialog without starting a capture."},
        {add, "Makes a new profile."},
        {m_edit, "Changes the selected profile."},
        {m_delete, "Deletes the selected profile."},
        {help, "Says what the dialog is for."}};
    for (const auto& [widget, text] : explained) widget->setWhatsThis(QString::fromUtf8(text));
    connect(m_list, &QListWidget::currentRowChanged, this, &CSessionProfilesDlg::Select);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CSessionProfilesDlg::accept);
    connect(m_text, &QLineEdit::textEdited, this, &CSessionProfilesDlg::TextEdited);

    m_model.Load();
    Refill();
    m_text->setFocus();
}

void CSessionProfilesDlg::Refill() {
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    for (std::size_t i = 0; i < m_model.Count(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(m_model.NameAt(i)), m_list);
        if (m_model.ProfileAt(i) != nullptr) continue;
        // Kept as stored until edited or deleted; shown so, with the reason.
        QFont font = item->font();
        font.setItalic(true);
        item->setFont(font);
        item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
        item->setToolTip(QStringLiteral("Could not be read: ") + QString::fromStdString(m_model.ErrorAt(i)));
    }
    const auto selected = m_model.Selection();
    m_list->setCurrentRow(selected ? static_cast<int>(*selected) : -1);
    if (!selected) m_list->clearSelection();
    m_text->setText(QString::fromStdString(m_model.TypedText()));
    m_edit->setEnabled(selected.has_value());
    m_delete->setEnabled(selected.has_value());
}

void CSessionProfilesDlg::Select(int row) {
    m_model.Select(row >= 0 ? std::optional<std::size_t>(static_cast<std::size_t>(row)) : std::nullopt);
    m_text->setText(QString::fromStdString(m_model.TypedText()));
    m_edit->setEnabled(m_model.Selection().has_value());
    m_delete->setEnabled(m_model.Selection().has_value());
}

void CSessionProfilesDlg::TextEdited(const QString& text) {
    m_model.SetTypedText(text.toStdString());
    if (m_model.Selection()) return;
    const QSignalBlocker quiet(m_list);
    m_list->setCurrentRow(-1);
    m_list->clearSelection();
    m_edit->setEnabled(false);
    m_delete->setEnabled(false);
}

bool CSessionProfilesDlg::RunSheet(const ProfileForm& start, ProfileForm& result) {
    ProfileSettingsSheet sheet(start, m_prompt, this);
    if (sheet.exec() != QDialog::Accepted) return false;
    result = sheet.Form();
    return true;
}

void CSessionProfilesDlg::NewProfile() {
    ProfileForm form;
    if (RunSheet(SessionProfilesModel::FormForNew(), form) && m_model.New(form)) Refill();
}

void CSessionProfilesDlg::EditProfile() {
    const auto start = m_model.FormForEdit();
    ProfileForm form;
    if (start && RunSheet(*start, form) && m_model.Edit(form)) Refill();
}

void CSessionProfilesDlg::DeleteProfile() {
    if (m_model.Delete()) Refill();
}

void CSessionProfilesDlg::accept() {
    if (m_model.Ok()) QDialog::accept();
}

void CSessionProfilesDlg::reject() {
    if (m_model.Cancel()) QDialog::reject();
}

}  // namespace profiles::ui
