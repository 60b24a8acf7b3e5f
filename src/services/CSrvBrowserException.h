// What every failing service-manager call throws: the error code and the text the user is
// shown for it (ErrorText of the code). Thrown and caught by value.
#pragma once

#include <cstdint>
#include <string>

namespace services {

struct CSrvBrowserException {
    std::uint32_t code = 0;
    std::string text;
};

}  // namespace services
