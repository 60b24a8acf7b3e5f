// Account lists over NSS and over ssh.
#include "platform/HostAccounts.h"

#include <pwd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/HostCommand.h"

namespace platform {

AccountEntry AccountFromPasswd(std::string_view name, std::string_view gecos, std::string_view uid,
                               std::string_view home) {
    AccountEntry entry;
    entry.name = std::string(name);
    const auto comma = gecos.find(',');
    entry.fullName = std::string(gecos.substr(0, comma));
    if (comma != std::string_view::npos) {
        for (const char c : gecos.substr(comma + 1)) {
            if (c == ',') {
                if (!entry.comment.empty() && entry.comment.back() != ' ') entry.comment += ", ";
            } else {
                entry.comment += c;
            }
        }
        while (!entry.comment.empty() && (entry.comment.back() == ' ' || entry.comment.back() == ','))
            entry.comment.pop_back();
    }
    if (entry.comment.empty()) entry.comment = "uid " + std::string(uid) + ", home " + std::string(home);
    return entry;
}

ServiceResult<std::vector<AccountEntry>> LocalAccounts() {
    std::vector<AccountEntry> accounts;
    std::vector<char> buffer(16384);
    ::setpwent();
    for (;;) {
        passwd entry{};
        passwd* result = nullptr;
        const int r = ::getpwent_r(&entry, buffer.data(), buffer.size(), &result);
        if (r == ERANGE && buffer.size() < (1U << 20U)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (r != 0 || result == nullptr) {
            ::endpwent();
            if (r != 0 && r != ENOENT)
                return MakeServiceError(r == EACCES ? kErrorAccessDenied : kErrorInternal,
                                        std::string("Cannot read the user accounts: ") + std::strerror(r));
            return accounts;
        }
        accounts.push_back(AccountFromPasswd(
            result->pw_name != nullptr ? result->pw_name : "", result->pw_gecos != nullptr ? result->pw_gecos : "",
            std::to_string(result->pw_uid), result->pw_dir != nullptr ? result->pw_dir : ""));
    }
}

ServiceResult<std::string> RemotePasswd(std::string_view host) {
    auto run = RunOnHost(host, "getent passwd", {}, std::chrono::seconds(30));
    if (!run) return run.Err();
    if (run.Value().exitStatus != 0) {
        std::string why = run.Value().err;
        while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
        return MakeServiceError(kErrorInternal, "getent passwd on " + std::string(host) + " failed" +
                                                    (why.empty() ? std::string(".") : ": " + why));
    }
    return std::move(run.Value().out);
}

}  // namespace platform
