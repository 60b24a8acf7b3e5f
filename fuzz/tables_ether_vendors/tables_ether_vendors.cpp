// Fuzz target: the bytes as the content of an "ethernet-vendors" file, then lookups.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tables/LookupTables.h"
#include "tables/TableLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tables::CPktEtherNums table(tables::TableSource::Empty);
    tables::TableLoader::EtherVendors(std::string(data, data + size), table);
    for (const auto& v : table.Vendors()) {
        if (table.FindVendor(v.prefix[0], v.prefix[1], v.prefix[2]) == nullptr) __builtin_trap();
    }
    return 0;
}
