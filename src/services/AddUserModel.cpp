// Account browsing for the logon account.
#include "services/AddUserModel.h"

#include <algorithm>

#include "core/DisplayText.h"
#include "services/ServiceTexts.h"

namespace services {

CNetBrowserException AccountListFailure(const platform::ServiceError& error) {
    switch (error.code) {
        case platform::kErrorAccessDenied:
            return {error.code, "The user does not have access to the requested information."};
        case platform::kErrorInvalidParameter:
            return {error.code, "The computer name is invalid."};
        default:
            return {error.code, ErrorText(error.code, error.message)};
    }
}

AddUserModel::AddUserModel(std::vector<std::unique_ptr<AccountSource>> sources, core::UserPrompt& prompt,
                           core::WaitCursor& cursor)
    : m_sources(std::move(sources)),
      m_prompt(prompt),
      m_cursor(cursor) {}

void AddUserModel::Open() {
    std::sort(m_sources.begin(), m_sources.end(), [](const auto& a, const auto& b) { return a->Name() < b->Name(); });
    if (!m_sources.empty()) SelectSource(0);
}

platform::AccountEntry AddUserModel::ShownRow(std::size_t row) const {
    const platform::AccountEntry& account = m_rows.at(row);
    return {core::DisplayText(account.name), core::DisplayText(account.comment), core::DisplayText(account.fullName)};
}

std::vector<std::string> AddUserModel::SourceNames() const {
    std::vector<std::string> names;
    for (const auto& s : m_sources) names.push_back(s->Name());
    return names;
}

void AddUserModel::SelectSource(std::size_t index) {
    m_rows.clear();
    if (index >= m_sources.size()) return;
    m_selected = index;
    m_cursor.Begin();
    auto accounts = m_sources[index]->Accounts();
    m_cursor.End();
    if (!accounts) {
        m_prompt.Tell(AccountListFailure(accounts.Err()).text);
        return;
    }
    m_rows = std::move(accounts.Value());
}

std::optional<std::pair<std::string, std::string>> AddUserModel::Choose(std::optional<std::size_t> row) const {
    if (!row || *row >= m_rows.size() || m_selected >= m_sources.size()) return std::nullopt;
    return std::make_pair(m_sources[m_selected]->Name(), m_rows[*row].name);
}

}  // namespace services
