// The "Add User" dialog without a display: the sources ("List Names from:"), the accounts
// of the chosen one, and the texts shown when a list cannot be read.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/UserPrompt.h"
#include "services/AccountSource.h"

namespace services {

// An account list that could not be read: its code and the text shown for it.
struct CNetBrowserException {
    std::uint32_t code = 0;
    std::string text;
};

// Access denied and a host name that cannot be one have texts of their own; anything else
// shows ErrorText of the code.
CNetBrowserException AccountListFailure(const platform::ServiceError& error);

class AddUserModel {
public:
    AddUserModel(std::vector<std::unique_ptr<AccountSource>> sources, core::UserPrompt& prompt,
                 core::WaitCursor& cursor);

    // Sorts the sources, selects the first and lists its accounts.
    void Open();
    std::vector<std::string> SourceNames() const;
    std::size_t SelectedSource() const noexcept { return m_selected; }
    // Lists the accounts of another source; on failure the message is shown and the list stays empty.
    void SelectSource(std::size_t index);
    const std::vector<platform::AccountEntry>& Rows() const noexcept { return m_rows; }
    // The rows as the list shows them: the host's texts escaped for display.
    platform::AccountEntry ShownRow(std::size_t row) const;
    // OK: the source's text and the row's account name.
    std::optional<std::pair<std::string, std::string>> Choose(std::optional<std::size_t> row) const;

private:
    std::vector<std::unique_ptr<AccountSource>> m_sources;
    core::UserPrompt& m_prompt;
    core::WaitCursor& m_cursor;
    std::size_t m_selected = 0;
    std::vector<platform::AccountEntry> m_rows;
};

}  // namespace services
