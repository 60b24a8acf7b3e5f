// Fuzz target: the bytes as the content of a "port-numbers" file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tables/LookupTables.h"
#include "tables/TableLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tables::CPktWPortNums table(tables::TableSource::Empty);
    tables::TableLoader::PortNumbers(std::string(data, data + size), table);
    for (std::uint32_t p = 0; p < 1100; p += 7) {
        (void)table.TcpKeyword(static_cast<std::uint16_t>(p)).size();
        (void)table.UdpDescription(static_cast<std::uint16_t>(p)).size();
    }
    return 0;
}
