// The application-layer decoders, made for the decoder set with the tables they need.
#pragma once

#include <memory>
#include <vector>

#include "decode/CPktParser.h"
#include "decode/ProtoCode.h"
#include "tables/LookupTables.h"

namespace decode::app {

struct Registration {
    ProtoCode code;
    std::unique_ptr<CPktParser> parser;
};

std::vector<Registration> MakeApplicationParsers(const tables::CPktIProtNums& protocols,
                                                 const tables::CPktWPortNums& ports);

}  // namespace decode::app
