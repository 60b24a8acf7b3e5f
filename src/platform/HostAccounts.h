// The user accounts a service can run as: this machine's through NSS (the passwd files, or a
// directory service nsswitch.conf names), another host's as `getent passwd` prints them there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ServiceManager.h"

namespace platform {

struct AccountEntry {
    std::string name;
    std::string comment;
    std::string fullName;
};

// One account from its passwd fields: the full name is the first GECOS field; the comment
// the rest of GECOS, else the user id and home directory.
AccountEntry AccountFromPasswd(std::string_view name, std::string_view gecos, std::string_view uid,
                               std::string_view home);

ServiceResult<std::vector<AccountEntry>> LocalAccounts();

// The text host's `getent passwd` printed.
ServiceResult<std::string> RemotePasswd(std::string_view host);

}  // namespace platform
