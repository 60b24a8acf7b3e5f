// setgroups, setgid, setuid with the capabilities kept across the change, then libcap.
#include "Privileges.h"

#include <grp.h>
#include <pwd.h>
#include <sys/capability.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace agentd {

namespace {

core::Error Failed(const std::string& what) {
    return core::Fail(core::ErrorKind::Io, what + ": " + std::strerror(errno));
}

struct CapFree {
    void operator()(cap_t caps) const noexcept { cap_free(caps); }
};

}  // namespace

bool RunningAsRoot() noexcept { return ::geteuid() == 0; }

bool StartedBySystemd() noexcept { return std::getenv("INVOCATION_ID") != nullptr; }

core::Result<core::Done> DropPrivileges(const std::string& user) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwnam_r(user.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return core::Fail(core::ErrorKind::Unsupported, "--user " + user + ": no such user");
    // Everything but CAP_NET_RAW leaves the bounding set while we may still change it.
    for (cap_value_t cap = 0; cap <= CAP_LAST_CAP; ++cap)
        if (cap != CAP_NET_RAW && cap != CAP_SETPCAP && ::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0 && errno != EINVAL)
            return Failed("dropping capabilities");
    if (::prctl(PR_CAPBSET_DROP, CAP_SETPCAP, 0, 0, 0) != 0) return Failed("dropping capabilities");
    if (::prctl(PR_SET_KEEPCAPS, 1, 0, 0, 0) != 0) return Failed("keeping CAP_NET_RAW");
    if (::setgroups(0, nullptr) != 0) return Failed("setgroups");
    if (::setgid(found->pw_gid) != 0) return Failed("setgid");
    if (::setuid(found->pw_uid) != 0) return Failed("setuid " + user);
    std::unique_ptr<std::remove_pointer_t<cap_t>, CapFree> caps(cap_init());
    if (!caps) return Failed("cap_init");
    const cap_value_t raw[] = {CAP_NET_RAW};
    if (cap_set_flag(caps.get(), CAP_PERMITTED, 1, raw, CAP_SET) != 0 ||
        cap_set_flag(caps.get(), CAP_EFFECTIVE, 1, raw, CAP_SET) != 0 || cap_set_proc(caps.get()) != 0)
        return Failed("keeping CAP_NET_RAW");
    ::prctl(PR_SET_KEEPCAPS, 0, 0, 0, 0);
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return Failed("no new privileges");
    return core::Done{};
}

}  // namespace agentd
