// Registers the application-layer decoders under their codes.
#include "decode/app/ApplicationParsers.h"

namespace decode::app {

std::vector<Registration> MakeApplicationParsers(const tables::CPktIProtNums& /*protocols*/,
                                                 const tables::CPktWPortNums& /*ports*/) {
    return {};
}

}  // namespace decode::app
