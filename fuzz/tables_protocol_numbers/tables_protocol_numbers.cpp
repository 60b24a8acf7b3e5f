// Fuzz target: the bytes as the content of a "protocol-numbers" file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tables/LookupTables.h"
#include "tables/TableLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tables::CPktIProtNums table(tables::TableSource::Empty);
    tables::TableLoader::ProtocolNumbers(std::string(data, data + size), table);
    for (int p = 0; p < 256; ++p) (void)table.Description(static_cast<std::uint8_t>(p)).size();
    return 0;
}
