// Start-up configuration rules.
#include "services/StartupConfigModel.h"

#include "core/DisplayText.h"
#include "platform/HostNames.h"

namespace services {

StartupConfigModel::StartupConfigModel(std::uint32_t startType, std::uint32_t serviceType, int interactive,
                                       std::string account, platform::ServiceManagerTraits traits)
    : m_startType(startType),
      m_serviceType(serviceType),
      m_interactive(interactive != 0 ? 1 : 0),
      m_systemAccount(account.empty() || account == platform::kSystemAccount),
      m_account(std::move(account)),
      m_traits(traits) {}

StartupControls StartupConfigModel::Controls() const {
    StartupControls c;
    c.automatic = m_startType == platform::kStartAuto;
    c.manual = m_startType == platform::kStartManual;
    c.disabled = m_startType == platform::kStartDisabled;
    c.desktopChecked = m_interactive != 0;
    if (!OwnProcess()) {
        c.logonEnabled = false;
        c.desktopEnabled = m_traits.desktopInteraction;
        return c;
    }
    c.systemAccount = m_systemAccount;
    c.thisAccount = !m_systemAccount;
    c.accountEnabled = !m_systemAccount;
    c.passwordEnabled = !m_systemAccount && m_traits.usesPasswords;
    c.desktopEnabled = m_systemAccount && m_traits.desktopInteraction;
    return c;
}

void StartupConfigModel::AccountChosen(const std::string& source, const std::string& name) {
    m_systemAccount = false;
    std::string from = source;
    if (from.rfind("\\\\", 0) == 0) from.erase(0, 2);
    m_account = from + "\\" + name;
}

std::optional<std::string> StartupConfigModel::Accept() {
    if (!OwnProcess()) return std::nullopt;
    if (m_systemAccount) {
        m_account = std::string(platform::kSystemAccount);
        m_password.clear();
        m_confirmation.clear();
        return std::nullopt;
    }
    if (m_account.empty()) return std::string("User account can not be empty !");
    if (auto bad = platform::CheckAccountName(m_account)) return core::DisplayText(bad->message);
    if (m_traits.usesPasswords) {
        if (m_password.empty() || m_confirmation.empty()) return std::string("Password can not be empty !");
        if (m_password != m_confirmation) return std::string("Passwords are different !");
    } else {
        m_password.clear();
        m_confirmation.clear();
    }
    m_interactive = 0;
    return std::nullopt;
}

}  // namespace services
