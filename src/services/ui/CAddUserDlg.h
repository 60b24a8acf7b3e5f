// "Add User": the accounts of a source ("List Names from:") with "Name", "Comment" and
// "Full Name"; OK hands back the source and the chosen account. Over AddUserModel.
#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "services/AddUserModel.h"
#include "widgets/QtUserPrompt.h"

class QComboBox;
class QTreeWidget;

namespace services::ui {

class CAddUserDlg final : public QDialog {
    Q_OBJECT
public:
    CAddUserDlg(std::vector<std::unique_ptr<AccountSource>> sources, QWidget* parent);

    // After OK: the source text and the account name.
    const std::optional<std::pair<std::string, std::string>>& Chosen() const noexcept { return m_chosen; }
    QComboBox& Sources() noexcept { return *m_sources; }
    QTreeWidget& Accounts() noexcept { return *m_accounts; }

public slots:
    void accept() override;

private:
    void FillAccounts();

    widgets::QtUserPrompt m_prompt;
    widgets::QtWaitCursor m_cursor;
    AddUserModel m_model;
    QComboBox* m_sources = nullptr;
    QTreeWidget* m_accounts = nullptr;
    std::optional<std::pair<std::string, std::string>> m_chosen;
};

}  // namespace services::ui
