// Fuzzes the reader of another host's `getent passwd` output (the Add User account list).
#include <cstddef>
#include <cstdint>
#include <span>

#include "services/PasswdText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto accounts = services::ParsePasswd(std::span<const std::uint8_t>(data, size));
    for (const auto& a : accounts) {
        if (a.name.empty()) __builtin_trap();
    }
    return 0;
}
