// The agent host behind a real sshd (tests/agentd/ssh_fixture.sh), for the tests that reach
// an agent through ssh://. Where sshd cannot run here the tests are skipped with the reason,
// except as root (CI) or with PALOMET_REQUIRE_SSHD=1, where that is a failure.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace session::test {

class SshFixture {
public:
    SshFixture()
        : m_dir(std::filesystem::temp_directory_path() /
                ("palomet-sshd-" + std::to_string(::getpid()) + "-" + std::to_string(++s_count))) {
        if (!std::filesystem::exists("/usr/sbin/sshd")) {
            m_why = "openssh-server is not installed (scripts/install-deps.sh installs it)";
            return;
        }
        if (Run("start") != 0) m_why = "sshd did not start: " + Read("sshd.log");
    }
    ~SshFixture() {
        Run("stop");
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    SshFixture(const SshFixture&) = delete;
    SshFixture& operator=(const SshFixture&) = delete;

    // Empty when sshd runs.
    const std::string& Why() const { return m_why; }
    static bool Required() {
        const char* required = std::getenv("PALOMET_REQUIRE_SSHD");
        return ::geteuid() == 0 || (required != nullptr && std::string(required) == "1");
    }

    std::string Port() const { return Trimmed(Read("port")); }
    std::string Login() const { return Trimmed(Read("login")); }
    // ssh://login@127.0.0.1:port
    std::string Server() const { return "ssh://" + Login() + "@127.0.0.1:" + Port(); }
    // The ssh program for PALOMET_SSH: "ssh" logs in, "ssh-unknown", "ssh-changed" and
    // "ssh-wrongkey" each fail their own way.
    std::string Ssh(const std::string& variant = "ssh") const { return (m_dir / variant).string(); }
    // Logins sshd accepted so far (one per SSH connection).
    int Logins() const {
        const std::string log = Read("sshd.log");
        int n = 0;
        for (auto at = log.find("Accepted publickey"); at != std::string::npos;
             at = log.find("Accepted publickey", at + 1))
            ++n;
        return n;
    }

    void Stop() const { Run("stop"); }
    void Restart() const { Run("restart"); }
    // Ends the SSH connections sshd serves, as a failing network would.
    void Drop() const { Run("drop"); }

private:
    int Run(const std::string& action) const {
        const std::string command = "bash " PALOMET_SOURCE_DIR "/tests/agentd/ssh_fixture.sh " + action + " " +
                                    m_dir.string() + " >/dev/null 2>&1";
        return std::system(command.c_str());
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(m_dir / name);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static std::string Trimmed(std::string text) {
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        return text;
    }

    static inline int s_count = 0;
    std::filesystem::path m_dir;
    std::string m_why;
};

// Skips the test (or fails it where sshd must run) when the fixture is not up.
#define PALOMET_NEED_SSHD(fixture)                                                \
    do {                                                                          \
        if (!(fixture).Why().empty()) {                                           \
            if (SshFixture::Required()) FAIL() << "no sshd: " << (fixture).Why(); \
            GTEST_SKIP() << "no sshd: " << (fixture).Why();                       \
        }                                                                         \
    } while (false)

}  // namespace session::test
