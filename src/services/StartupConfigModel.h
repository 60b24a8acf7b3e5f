// The "Startup Configuration" dialog without a display: start type, the account the service
// logs on as, which controls are enabled, and the checks OK makes. Passwords and desktop
// interaction are offered only where the backend has them (systemd has neither: its
// services need no password, and none is ever written anywhere).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/ServiceManager.h"

namespace services {

struct StartupControls {
    bool automatic = false;  // radio buttons checked
    bool manual = false;
    bool disabled = false;
    bool systemAccount = false;
    bool thisAccount = false;
    bool logonEnabled = true;      // the two logon radio buttons
    bool accountEnabled = false;   // account field and "..."
    bool passwordEnabled = false;  // password and confirmation
    bool desktopEnabled = false;
    bool desktopChecked = false;
};

class StartupConfigModel {
public:
    StartupConfigModel(std::uint32_t startType, std::uint32_t serviceType, int interactive, std::string account,
                       platform::ServiceManagerTraits traits);

    StartupControls Controls() const;

    void SetStartType(std::uint32_t startType) noexcept { m_startType = startType; }
    void ChooseSystemAccount() noexcept { m_systemAccount = true; }
    void ChooseThisAccount() noexcept { m_systemAccount = false; }
    void SetInteractive(bool on) noexcept { m_interactive = on ? 1 : 0; }
    void SetAccount(std::string account) { m_account = std::move(account); }
    void SetPassword(std::string password) { m_password = std::move(password); }
    void SetConfirmation(std::string confirmation) { m_confirmation = std::move(confirmation); }
    // An account picked in Add User: "This Account:" and source\name ("\\host" loses its backslashes).
    void AccountChosen(const std::string& source, const std::string& name);

    // OK: nullopt when the dialog may close, else the message that keeps it open.
    std::optional<std::string> Accept();

    bool OwnProcess() const noexcept { return (m_serviceType & platform::kServiceOwnProcess) != 0; }
    std::uint32_t StartType() const noexcept { return m_startType; }
    int Interactive() const noexcept { return m_interactive; }
    const std::string& Account() const noexcept { return m_account; }
    const std::string& Password() const noexcept { return m_password; }

private:
    std::uint32_t m_startType;
    std::uint32_t m_serviceType;
    int m_interactive;
    bool m_systemAccount;
    std::string m_account;
    std::string m_password;
    std::string m_confirmation;
    platform::ServiceManagerTraits m_traits;
};

}  // namespace services
