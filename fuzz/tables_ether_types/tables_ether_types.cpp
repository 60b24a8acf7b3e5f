// Fuzz target: the bytes as the content of an "ethernet-types" file, then every lookup.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tables/LookupTables.h"
#include "tables/TableLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tables::CPktEtherNums table(tables::TableSource::Empty);
    tables::TableLoader::EtherTypes(std::string(data, data + size), table);
    for (std::uint32_t t = 0; t < 65536; t += 251) (void)table.FindTypeName(static_cast<std::uint16_t>(t));
    return 0;
}
