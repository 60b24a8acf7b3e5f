// Where the Add User dialog lists accounts from. Today a source is a host (its own accounts,
// as the service would see them); a directory domain could become another kind of source.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/HostAccounts.h"
#include "platform/ServiceManager.h"

namespace services {

class AccountSource {
public:
    virtual ~AccountSource() = default;
    // As "List Names from:" shows it: two backslashes and the host for a host.
    virtual std::string Name() const = 0;
    virtual platform::ServiceResult<std::vector<platform::AccountEntry>> Accounts() = 0;
};

// The account sources for services of a host.
using AccountSourceFactory = std::function<std::vector<std::unique_ptr<AccountSource>>(const std::string& host)>;

// A host's own accounts: this machine's through NSS, another's through `getent passwd` over ssh.
class HostAccountSource final : public AccountSource {
public:
    explicit HostAccountSource(std::string host);
    std::string Name() const override;
    platform::ServiceResult<std::vector<platform::AccountEntry>> Accounts() override;

private:
    std::string m_host;
};

// A fixed list (the simulated backend's accounts).
class ListedAccountSource final : public AccountSource {
public:
    ListedAccountSource(std::string host, std::vector<platform::AccountEntry> accounts);
    std::string Name() const override;
    platform::ServiceResult<std::vector<platform::AccountEntry>> Accounts() override { return m_accounts; }

private:
    std::string m_host;
    std::vector<platform::AccountEntry> m_accounts;
};

}  // namespace services
