// The two backends the service contract runs against: the simulated table, and a real
// systemd user manager started by the ctest fixture (systemd-harness.sh), whose variables
// the fixture leaves in $PALOMET_SYSTEMD_FIXTURE. Both offer the same test services.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "platform/HostCommand.h"
#include "platform/SystemdConnector.h"
#include "platform/simulated/SimulatedServiceManager.h"

namespace services::test {

class ContractBackend {
public:
    virtual ~ContractBackend() = default;
    virtual platform::ServiceConnector& Connector() = 0;
    // Stopped, manual, no account of ours: as the harness made it.
    virtual void Reset(const std::string& unit) = 0;
    virtual bool IsSystemd() const = 0;
};

// A connector another object may own (ServicesContext owns its own).
class BorrowedConnector final : public platform::ServiceConnector {
public:
    explicit BorrowedConnector(platform::ServiceConnector& inner) : m_inner(inner) {}
    platform::ServiceResult<std::shared_ptr<platform::ServiceManager>> Connect(const std::string& host) override {
        return m_inner.Connect(host);
    }

private:
    platform::ServiceConnector& m_inner;
};

class SimulatedBackend final : public ContractBackend {
public:
    SimulatedBackend() {
        platform::SimulatedHost& host = m_connector.Host("");
        auto add = [&](const char* name, const char* display) -> platform::SimulatedService& {
            platform::SimulatedService s;
            s.name = name;
            s.displayName = display;
            return host.Add(s);
        };
        add("palometsrv.service", "Palomet capture agent");
        for (const char* n : {"freeze", "startup", "masked", "cli", "listing", "remote"})
            add((std::string("pm-") + n + ".service").c_str(), (std::string("Palomet test service ") + n).c_str());
        add("pm-account.service", "Palomet test service with an account").installInfo = false;
        add("pm-static.service", "Palomet test service without an install section").installInfo = false;
        add("pm-slow.service", "Palomet test service that starts slowly").startReads =
            platform::SimulatedService::kForever;
        add("pm-refuse.service", "Palomet test service that refuses a manual stop").canStop = false;
        add("pm-fail.service", "Palomet test service that fails").exitStatus = 3;
        add("pm-notify.service", "Palomet test service that reports ready late").startReads = 3;
    }
    platform::ServiceConnector& Connector() override { return m_connector; }
    void Reset(const std::string&) override {}
    bool IsSystemd() const override { return false; }

private:
    platform::SimulatedConnector m_connector;
};

// Reads the fixture's variables into the environment (the bus, the runtime and config
// directories); else the reason it cannot run here (a failure too when
// PALOMET_REQUIRE_SYSTEMD=1).
inline std::string EnterSystemdFixture() {
    const char* file = std::getenv("PALOMET_SYSTEMD_FIXTURE");
    const bool required =
        std::getenv("PALOMET_REQUIRE_SYSTEMD") != nullptr && std::string(std::getenv("PALOMET_REQUIRE_SYSTEMD")) == "1";
    std::string skip = "no systemd fixture (run through ctest, label systemd)";
    if (file != nullptr) {
        std::ifstream in(file);
        std::string line;
        skip = in ? "" : "the systemd fixture did not start";
        while (std::getline(in, line)) {
            const auto eq = line.find('=');
            if (eq == std::string::npos) continue;
            if (line.substr(0, eq) == "SKIP") skip = line.substr(eq + 1);
            ::setenv(line.substr(0, eq).c_str(), line.substr(eq + 1).c_str(), 1);
        }
    }
    if (!skip.empty() && required) ADD_FAILURE() << "systemd required but unavailable: " << skip;
    return skip;
}

class SystemdBackend final : public ContractBackend {
public:
    platform::ServiceConnector& Connector() override { return m_connector; }
    void Reset(const std::string& unit) override {
        const std::string config =
            std::getenv("XDG_CONFIG_HOME") != nullptr ? std::getenv("XDG_CONFIG_HOME") : "/nonexistent";
        const std::string script =
            "u=" + platform::ShellQuote(unit) +
            "; systemctl --user thaw \"$u\"; systemctl --user kill -s KILL \"$u\"; systemctl --user stop \"$u\";"
            " systemctl --user reset-failed \"$u\";"
            " systemctl --user unmask \"$u\"; systemctl --user disable \"$u\"; rm -rf " +
            platform::ShellQuote(config + "/systemd/user/" + unit + ".d") + "; systemctl --user daemon-reload";
        auto run = platform::RunProgram({"sh", "-c", script + " 2>/dev/null"}, {}, std::chrono::seconds(30), 1 << 20);
        ASSERT_TRUE(run.Ok()) << run.Err().message;
    }
    bool IsSystemd() const override { return true; }

private:
    platform::SystemdConnector m_connector{platform::ServiceScope::User};
};

}  // namespace services::test
