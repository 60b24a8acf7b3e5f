// Lines are written whole, so lines of concurrent connections never interleave.
#include "Log.h"

#include <cstdio>

namespace agentd {

void Log(const std::string& line) {
    const std::string whole = "palometsrv: " + line + "\n";
    std::fwrite(whole.data(), 1, whole.size(), stderr);
    std::fflush(stderr);
}

}  // namespace agentd
