// TCP header (RFC 793): 20 fixed bytes, then options, shown in the detail tree.
#include "decode/CPktTCPParser.h"

#include <algorithm>

#include "core/Printf.h"
#include "decode/CPktNetworkParser.h"
#include "decode/TcpOptions.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {

constexpr std::string_view kPrefix = "TCP: ";
constexpr std::uint32_t kFixedLength = 20;
constexpr std::uint8_t kIpProtocolTcp = 6;

// "UAPRSF" with a dot for each flag not set.
std::string FlagLetters(std::uint8_t flags) {
    static constexpr char kLetters[] = "UAPRSF";
    std::string text(6, '.');
    for (std::size_t i = 0; i < 6; ++i) {
        if ((flags & (0x20U >> i)) != 0) text[i] = kLetters[i];
    }
    return text;
}

const char* Pick(bool set, const char* whenSet, const char* whenClear) { return set ? whenSet : whenClear; }

}  // namespace

std::optional<CPktTCPParser::Header> CPktTCPParser::ReadHeader(core::ByteReader& in, CPktParseContext& ctx) noexcept {
    const std::size_t remaining = in.Remaining();
    if (remaining < kFixedLength) return std::nullopt;
    Header h;
    h.sourcePort = in.Be16();
    h.destinationPort = in.Be16();
    h.sequence = in.Be32();
    h.acknowledgment = in.Be32();
    h.dataOffset = static_cast<std::uint8_t>(in.U8() >> 4);
    h.flags = static_cast<std::uint8_t>(in.U8() % 64);
    h.window = in.Be16();
    h.checksum = in.Be16();
    h.urgentPointer = in.Be16();
    const std::uint32_t headerLength = h.HeaderLength();
    if (headerLength > kFixedLength && headerLength <= remaining) in.Skip(headerLength - kFixedLength);
    ctx.sourcePort = h.sourcePort;
    ctx.destinationPort = h.destinationPort;
    ctx.portsFrom = PROTO_TCP;
    return h;
}

std::uint32_t CPktTCPParser::PayloadLength(const Header& h, const CPktParseContext& ctx) noexcept {
    return ctx.ipPayloadLength > h.HeaderLength() ? ctx.ipPayloadLength - h.HeaderLength() : 0;
}

ProtoCode CPktTCPParser::NextCode(const Header& h, const CPktParseContext& ctx) noexcept {
    // Only a segment that carries data has an application layer.
    if (h.HeaderLength() == ctx.ipPayloadLength) return PROTO_NONE;
    return PortsToCode(h.sourcePort, h.destinationPort);
}

ProtoCode CPktTCPParser::Parse(core::ByteReader& in, CPktParseContext& ctx) const {
    const auto h = ReadHeader(in, ctx);
    return h ? NextCode(*h, ctx) : PROTO_NONE;
}

ProtoCode CPktTCPParser::ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const {
    const auto h = ReadHeader(in, ctx);
    std::string& s = out.summary;
    if (!h) {
        s.append("TCP:  ERROR !");
        return PROTO_NONE;
    }
    s.append("TCP:  S=");
    AppendDec(s, h->sourcePort);
    s.append(" D=");
    AppendDec(s, h->destinationPort);
    s.push_back(' ');
    const bool control = (h->flags & (kSyn | kFin | kRst)) != 0;
    if ((h->flags & kSyn) != 0) s.append("SYN ");
    if ((h->flags & kFin) != 0) s.append("FIN ");
    if ((h->flags & kRst) != 0) s.append("RST ");
    if ((h->flags & kUrg) != 0) s.append("URG ");
    if ((h->flags & kPsh) != 0) s.append("PSH ");
    if ((h->flags & kAck) != 0) {
        s.append("ACK=");
        AppendDec(s, h->acknowledgment);
        s.push_back(' ');
    }
    const std::uint32_t payload = PayloadLength(*h, ctx);
    if (control || payload != 0) {
        s.append("SEQ=");
        AppendDec(s, h->sequence);
        s.push_back(' ');
    }
    if (payload != 0) {
        s.append("LEN=");
        AppendDec(s, payload);
        s.push_back(' ');
    }
    s.append("WIN=");
    AppendDec(s, h->window);
    s.push_back(' ');
    return NextCode(*h, ctx);
}

ProtoCode CPktTCPParser::ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const {
    const auto segment = in.Rest();
    const auto h = ReadHeader(in, ctx);
    if (!h) return PROTO_NONE;
    const std::string letters = FlagLetters(h->flags);
    const std::uint32_t payload = PayloadLength(*h, ctx);

    CPktDetailLine& top =
        root.Add(kPrefix,
                 core::Printf(" %s : seq = %u : ack = %u : win = %u :src = %u: dst = %u: len = %u", letters.c_str(),
                              h->sequence, h->acknowledgment, unsigned{h->window}, unsigned{h->sourcePort},
                              unsigned{h->destinationPort}, static_cast<unsigned>(segment.size())),
                 in.Slice(0, std::max<std::size_t>(h->HeaderLength(), kFixedLength)));
    top.Add(kPrefix,
            core::Printf(" Source port = %d (%s)", int{h->sourcePort}, TcpPortDescription(h->sourcePort).c_str()),
            in.Slice(0, 2));
    top.Add(kPrefix,
            core::Printf(" Destination port = %d (%s)", int{h->destinationPort},
                         TcpPortDescription(h->destinationPort).c_str()),
            in.Slice(2, 2));
    // Sequence numbers are unsigned 32-bit values, a SYN's included.
    top.Add(
        kPrefix,
        core::Printf((h->flags & kSyn) != 0 ? " Initial sequence number = %u (0x%X)" : " Sequence number = %u (0x%X)",
                     h->sequence, h->sequence),
        in.Slice(4, 4));
    top.Add(kPrefix, core::Printf(" Acknowledgment number = %u (0x%X)", h->acknowledgment, h->acknowledgment),
            in.Slice(8, 4));
    top.Add(
        kPrefix,
        core::Printf(" Data Offset = %d bytes (0x%X)", static_cast<int>(h->HeaderLength()), unsigned{h->dataOffset}),
        in.Slice(12, 1));

    CPktDetailLine& flags =
        top.Add(kPrefix, core::Printf(" Flags = 0x%.2X : %s", unsigned{h->flags}, letters.c_str()), in.Slice(13, 1));
    const auto set = [&](std::uint8_t bit) { return (h->flags & bit) != 0; };
    flags.Add(kPrefix, Pick(set(kUrg), " ..1..... = Urgent pointer", " ..0..... = No urgent data"), in.Slice(13, 1));
    flags.Add(kPrefix,
              Pick(set(kAck), " ...1.... = Acknowledgment", " ...0.... = Acknowledgment field not significant"),
              in.Slice(13, 1));
    flags.Add(kPrefix, Pick(set(kPsh), " ....1... = Push", " ....0... = No Push function"), in.Slice(13, 1));
    flags.Add(kPrefix, Pick(set(kRst), " .....1.. = Reset", " .....0.. = No Reset"), in.Slice(13, 1));
    flags.Add(kPrefix, Pick(set(kSyn), " ......1. = SYN", " ......0. = No SYN"), in.Slice(13, 1));
    flags.Add(kPrefix, Pick(set(kFin), " .......1 = FIN", " .......0 = No FIN"), in.Slice(13, 1));

    top.Add(kPrefix, core::Printf(" Window = %d (0x%X)", int{h->window}, unsigned{h->window}), in.Slice(14, 2));
    std::string checksum = core::Printf(" Checksum = 0x%X", unsigned{h->checksum});
    if (payload == 0) {
        // The segment the IP layer announces must be in the frame whole, and its length known.
        checksum += core::Printf(" (%s)", TransportChecksumVerdict(ctx, kIpProtocolTcp, segment));
    }
    top.Add(kPrefix, std::move(checksum), in.Slice(16, 2));
    top.Add(kPrefix, core::Printf(" Urgent pointer = %d (0x%X)", int{h->urgentPointer}, unsigned{h->urgentPointer}),
            in.Slice(18, 2));
    if (h->HeaderLength() > kFixedLength) {
        const std::size_t declared = h->HeaderLength() - kFixedLength;
        const auto held = segment.subspan(kFixedLength);
        AddTcpOptionLines(top, held.first(std::min(declared, held.size())), declared, m_options);
    }
    top.Add(kPrefix, core::Printf(" Number of data bytes remaining = %d (0x%X)", static_cast<int>(payload), payload));
    return NextCode(*h, ctx);
}

}  // namespace decode
