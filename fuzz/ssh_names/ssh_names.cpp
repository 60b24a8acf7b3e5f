// Fuzzes what is read of server names (ssh://, --live's mapper port after it, a session's
// normal form) and of ssh's complaints on its standard error. The input's first byte says
// which; a name that parses must come back the same from its own URL.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/SshDestination.h"
#include "platform/SshFailure.h"
#include "session/ServerName.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(static_cast<const char*>(static_cast<const void*>(data + 1)), size - 1);
    switch (data[0] % 3) {
        case 0:
            if (const auto parsed = platform::ParseSshServer(text)) {
                const auto again = platform::ParseSshServer(parsed.Value().Url());
                if (!again || !(again.Value() == parsed.Value())) __builtin_trap();
                if (parsed.Value().Arguments().back().front() == '-') __builtin_trap();
            }
            (void)platform::SshTarget(text);
            break;
        case 1:
            if (const auto live = session::ParseLiveServer(text); live && live->server.empty()) __builtin_trap();
            (void)session::NormalizeServer(text);
            break;
        default:
            (void)platform::DescribeSshFailure("ssh://host", text, 135);
            break;
    }
    return 0;
}
