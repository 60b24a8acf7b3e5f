// Reads the pcap magic number, or walks pcapng blocks up to the first packet block looking
// at each interface description's if_tsresol option.
#include "capture/PcapPrecision.h"

#include "core/ByteReader.h"

namespace capture {

namespace {
constexpr std::uint32_t kPcapMicro = 0xA1B2C3D4;
constexpr std::uint32_t kPcapNano = 0xA1B23C4D;
constexpr std::uint32_t kPcapModified = 0xA1B2CD34;
constexpr std::uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr std::uint32_t kByteOrderMagic = 0x1A2B3C4D;
constexpr std::uint32_t kInterfaceBlock = 1;
constexpr std::uint16_t kOptEnd = 0;
constexpr std::uint16_t kOptTsResol = 9;
constexpr std::uint8_t kTsResolBinary = 0x80;
constexpr std::size_t kBlockHead = 8;  // type and total length
constexpr std::size_t kIdbFixed = 8;   // link type, reserved, snap length

std::uint32_t Swap32(std::uint32_t v) noexcept {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

struct Endian {
    bool big = false;
    std::uint16_t U16(core::ByteReader& in) const noexcept { return big ? in.Be16() : in.Le16(); }
    std::uint32_t U32(core::ByteReader& in) const noexcept { return big ? in.Be32() : in.Le32(); }
};

// 10^-v, or 2^-v with the top bit set: finer than a microsecond?
bool FinerThanMicro(std::uint8_t resolution) noexcept {
    if (resolution & kTsResolBinary) return (resolution & 0x7F) >= 20;  // 2^20 > 10^6
    return resolution > 6;
}

bool InterfaceIsFine(core::ByteReader body, const Endian& e) {
    body.Skip(kIdbFixed);
    while (!body.Failed() && body.Remaining() >= 4) {
        const std::uint16_t code = e.U16(body);
        const std::uint16_t length = e.U16(body);
        if (code == kOptEnd) break;
        const auto value = body.Bytes(length);
        if (body.Failed()) break;
        if (code == kOptTsResol && length == 1 && FinerThanMicro(value[0])) return true;
        body.Skip((4 - length % 4) % 4);
    }
    return false;
}
}  // namespace

core::Result<bool> HasSubMicrosecondStamps(std::span<const std::uint8_t> head) {
    core::ByteReader in(head);
    const std::uint32_t magic = in.Le32();
    if (in.Failed()) return core::Fail(core::ErrorKind::Truncated, "file is too short for a capture file");
    if (magic == kPcapNano || Swap32(magic) == kPcapNano) return true;
    if (magic == kPcapMicro || Swap32(magic) == kPcapMicro || magic == kPcapModified || Swap32(magic) == kPcapModified)
        return false;
    if (magic != kSectionHeader) return core::Fail(core::ErrorKind::Unsupported, "not a pcap or pcapng file");

    in.Seek(0);
    Endian e;
    bool fine = false;
    while (in.Remaining() >= kBlockHead) {
        const std::size_t start = in.Offset();
        std::uint32_t type = in.Le32();
        if (type == kSectionHeader) {
            in.Skip(4);
            const std::uint32_t order = in.Le32();
            if (order == kByteOrderMagic)
                e.big = false;
            else if (Swap32(order) == kByteOrderMagic)
                e.big = true;
            else
                return core::Fail(core::ErrorKind::Corrupt, "pcapng section has no byte-order magic");
            in.Seek(start + 4);
        } else {
            in.Seek(start);
            type = e.U32(in);
        }
        const std::uint32_t total = e.U32(in);
        if (in.Failed() || total < kBlockHead + 4 || total > in.Remaining() + kBlockHead) break;
        core::ByteReader body = in.Sub(total - kBlockHead - 4);
        in.Skip(4);  // trailing copy of the total length
        if (type == kInterfaceBlock)
            fine = fine || InterfaceIsFine(body, e);
        else if (type != kSectionHeader)
            break;  // packets follow their interfaces
    }
    return fine;
}

}  // namespace capture
