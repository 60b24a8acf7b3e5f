// Account sources: a host's own accounts, or a fixed list.
#include "services/AccountSource.h"

#include "platform/HostNames.h"
#include "services/PasswdText.h"

namespace services {

HostAccountSource::HostAccountSource(std::string host) : m_host(std::move(host)) {}

std::string HostAccountSource::Name() const { return "\\\\" + std::string(platform::StripMachinePrefix(m_host)); }

platform::ServiceResult<std::vector<platform::AccountEntry>> HostAccountSource::Accounts() {
    if (platform::IsLocalHost(m_host)) return platform::LocalAccounts();
    auto text = platform::RemotePasswd(platform::StripMachinePrefix(m_host));
    if (!text) return text.Err();
    const std::vector<std::uint8_t> bytes(text.Value().begin(), text.Value().end());
    return ParsePasswd(bytes);
}

ListedAccountSource::ListedAccountSource(std::string host, std::vector<platform::AccountEntry> accounts)
    : m_host(std::move(host)),
      m_accounts(std::move(accounts)) {}

std::string ListedAccountSource::Name() const { return "\\\\" + std::string(platform::StripMachinePrefix(m_host)); }

}  // namespace services
