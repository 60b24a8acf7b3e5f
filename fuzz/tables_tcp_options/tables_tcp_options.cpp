// Fuzz target: the bytes as the content of a "tcp-options" file, then a stored-form round trip.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tables/LookupTables.h"
#include "tables/TableLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tables::CPktTCPNums table(tables::TableSource::Empty);
    tables::TableLoader::TcpOptions(std::string(data, data + size), table);
    std::vector<std::uint8_t> bytes;
    core::Archive out(bytes);
    table.Serialize(out);
    tables::CPktTCPNums copy(tables::TableSource::Empty);
    core::Archive in{std::span<const std::uint8_t>(bytes)};
    copy.Serialize(in);
    if (copy.Count() != table.Count()) __builtin_trap();
    return 0;
}
