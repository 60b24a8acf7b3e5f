// ARP (RFC 826), also RARP (RFC 903) and InARP (RFC 2390): hardware type, protocol type,
// the two address lengths and the operation, then sender and target hardware and protocol
// addresses of those lengths.
#include "decode/CPktARPParser.h"

#include <algorithm>

#include "core/Printf.h"
#include "decode/StationText.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {

constexpr std::string_view kPrefix = "ARP: ";
constexpr std::size_t kFixedLength = 8;
constexpr std::uint16_t kTypeIPv4 = 0x0800;

const char* HardwareTypeName(std::uint16_t type) {
    switch (type) {
        case 1:
            return "Ethernet";
        case 6:
            return "IEEE 802";
        case 7:
            return "ARCNET";
        case 15:
            return "Frame Relay";
        case 16:
            return "ATM";
        case 18:
            return "Fibre Channel";
        case 20:
            return "Serial line";
        case 24:
            return "IEEE 1394";
        case 32:
            return "InfiniBand";
        default:
            return "Unknown";
    }
}

const char* OperationName(std::uint16_t operation) {
    switch (operation) {
        case 1:
            return "Request";
        case 2:
            return "Reply";
        case 3:
            return "Reverse request";
        case 4:
            return "Reverse reply";
        case 8:
            return "Inverse request";
        case 9:
            return "Inverse reply";
        default:
            return "Unknown";
    }
}

bool AllZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

}  // namespace

std::optional<CPktARPParser::Message> CPktARPParser::Read(core::ByteReader& in) noexcept {
    if (in.Remaining() < kFixedLength) return std::nullopt;
    Message m;
    m.hardwareType = in.Be16();
    m.protocolType = in.Be16();
    m.hardwareLength = in.U8();
    m.protocolLength = in.U8();
    m.operation = in.Be16();
    const std::size_t addresses = 2U * (std::size_t{m.hardwareLength} + m.protocolLength);
    if (in.Remaining() < addresses) return m;
    m.senderHardware = in.Bytes(m.hardwareLength);
    m.senderProtocol = in.Bytes(m.protocolLength);
    m.targetHardware = in.Bytes(m.hardwareLength);
    m.targetProtocol = in.Bytes(m.protocolLength);
    m.addressesRead = true;
    return m;
}

void CPktARPParser::AppendProtocolAddress(std::string& out, const Message& m, std::span<const std::uint8_t> address) {
    if (m.protocolType == kTypeIPv4 && address.size() == 4) {
        AppendDotted(out, (std::uint32_t{address[0]} << 24) | (std::uint32_t{address[1]} << 16) |
                              (std::uint32_t{address[2]} << 8) | address[3]);
    } else {
        AppendHexBytes(out, address);
    }
}

void CPktARPParser::AppendDescription(std::string& out, const Message& m) const {
    const auto station = [&](std::span<const std::uint8_t> a) { AppendStation(out, EtherNums(), a); };
    const auto protocol = [&](std::span<const std::uint8_t> a) { AppendProtocolAddress(out, m, a); };
    switch (m.operation) {
        case 1:
            if (std::ranges::equal(m.senderProtocol, m.targetProtocol)) {
                out.append(" Gratuitous ARP for ");  // a host announcing its own address
                protocol(m.targetProtocol);
                return;
            }
            out.append(" Who has ");
            protocol(m.targetProtocol);
            // A probe (RFC 5227) asks from no address at all.
            if (AllZero(m.senderProtocol)) {
                out.append("? (probe)");
                return;
            }
            out.append("? Tell ");
            protocol(m.senderProtocol);
            return;
        case 2:
        case 9:
            out.push_back(' ');
            protocol(m.senderProtocol);
            out.append(" is at ");
            station(m.senderHardware);
            return;
        case 3:
        case 8:
            out.append(m.operation == 3 ? " Who is " : " Which address has ");
            station(m.targetHardware);
            out.append("? Tell ");
            station(m.senderHardware);
            return;
        case 4:
            out.push_back(' ');
            station(m.targetHardware);
            out.append(" is ");
            protocol(m.targetProtocol);
            return;
        default:
            out.append(" Operation = ");
            AppendDec(out, m.operation);
            return;
    }
}

ProtoCode CPktARPParser::Parse(core::ByteReader& in, CPktParseContext& /*ctx*/) const {
    Read(in);
    return PROTO_NONE;
}

ProtoCode CPktARPParser::ParseSummary(core::ByteReader& in, CPktParseContext& /*ctx*/, SummaryTexts& out) const {
    const auto m = Read(in);
    out.summary.append(kPrefix);
    if (!m || !m->addressesRead) {
        out.summary.append(" ERROR !");
        return PROTO_NONE;
    }
    AppendDescription(out.summary, *m);
    AppendProtocolAddress(out.source, *m, m->senderProtocol);
    AppendProtocolAddress(out.destination, *m, m->targetProtocol);
    return PROTO_NONE;
}

ProtoCode CPktARPParser::ParseDetail(core::ByteReader& in, CPktParseContext& /*ctx*/, CPktDetailLine& root) const {
    const auto m = Read(in);
    if (!m) {
        root.Add(kPrefix, " ERROR !");
        return PROTO_NONE;
    }
    std::string headline;
    if (m->addressesRead) {
        AppendDescription(headline, *m);
    } else {
        headline = core::Printf(" Operation = %u (%s)", unsigned{m->operation}, OperationName(m->operation));
    }
    CPktDetailLine& top = root.Add(kPrefix, std::move(headline));
    top.Add(kPrefix,
            core::Printf(" Hardware type = %u (%s)", unsigned{m->hardwareType}, HardwareTypeName(m->hardwareType)),
            in.Slice(0, 2));
    top.Add(kPrefix,
            core::Printf(" Protocol type = 0x%.4X (%s)", unsigned{m->protocolType}, TypeName(m->protocolType).c_str()),
            in.Slice(2, 2));
    top.Add(kPrefix, core::Printf(" Hardware address length = %u bytes", unsigned{m->hardwareLength}), in.Slice(4, 1));
    top.Add(kPrefix, core::Printf(" Protocol address length = %u bytes", unsigned{m->protocolLength}), in.Slice(5, 1));
    top.Add(kPrefix, core::Printf(" Operation = %u (%s)", unsigned{m->operation}, OperationName(m->operation)),
            in.Slice(6, 2));
    if (!m->addressesRead) {
        top.Add(kPrefix, " ERROR ! The addresses run past the end of the frame");
        return PROTO_NONE;
    }
    const auto addProtocol = [&](const char* label, std::span<const std::uint8_t> address) {
        std::string text(label);
        AppendProtocolAddress(text, *m, address);
        top.Add(kPrefix, std::move(text), address);
    };
    AddHardwareAddress(top, kPrefix, "Sender hardware address", EtherNums(), m->senderHardware);
    addProtocol(" Sender protocol address = ", m->senderProtocol);
    AddHardwareAddress(top, kPrefix, "Target hardware address", EtherNums(), m->targetHardware);
    addProtocol(" Target protocol address = ", m->targetProtocol);
    const auto rest = static_cast<unsigned>(in.Remaining());
    top.Add(kPrefix, core::Printf(" Number of data bytes remaining = %u (0x%X)", rest, rest));
    return PROTO_NONE;
}

}  // namespace decode
