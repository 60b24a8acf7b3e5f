// Fuzz target: the bytes as a stored capture filter, then as a stored decoder configuration.
// Bytes that end early or contradict themselves may throw the archive error; nothing else
// may go wrong, and a filter that loads stores back to exactly the bytes it was read from.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "capture/CPktSnapConf.h"
#include "decode/CPktParsersConf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        capture::CPktSnapConf conf;
        core::Archive in(bytes);
        conf.Serialize(in);
        // What loaded stores and loads back to the same bytes.
        std::vector<std::uint8_t> stored;
        core::Archive out(stored);
        conf.Serialize(out);
        const std::size_t read = in.Position();
        const bool schemaOnly = read == sizeof(core::kSchema);  // another schema: nothing loaded
        if (!schemaOnly && !std::equal(stored.begin(), stored.end(), bytes.begin(), bytes.begin() + read))
            __builtin_trap();
        capture::CPktSnapConf again;
        core::Archive in2{std::span<const std::uint8_t>(stored)};
        again.Serialize(in2);
        if (in2.Remaining() != 0) __builtin_trap();
    } catch (const core::ArchiveException&) {}
    try {
        decode::CPktParsersConf conf(core::Locking::Locked, tables::TableSource::Empty);
        core::Archive in(bytes);
        conf.Serialize(in);
    } catch (const core::ArchiveException&) {}
    return 0;
}
