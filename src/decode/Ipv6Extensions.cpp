// IPv6 extension headers. Every one but the fragment header (8 bytes) and the authentication
// header (length in 4-byte units, RFC 4302) gives its length in 8-byte units after the
// first 8 bytes. Options (hop-by-hop, destination) are type-length-value, Pad1 alone.
#include "decode/Ipv6Extensions.h"

#include "core/Printf.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {

constexpr std::string_view kPrefix = "IPv6: ";

constexpr std::uint8_t kHopByHop = 0;
constexpr std::uint8_t kRouting = 43;
constexpr std::uint8_t kFragment = 44;
constexpr std::uint8_t kAuthentication = 51;
constexpr std::uint8_t kDestination = 60;
constexpr std::uint8_t kMobility = 135;
constexpr std::uint8_t kHip = 139;
constexpr std::uint8_t kShim6 = 140;
constexpr std::uint8_t kExperiment1 = 253;
constexpr std::uint8_t kExperiment2 = 254;

constexpr std::uint8_t kPad1 = 0x00;
constexpr std::uint8_t kPadN = 0x01;
constexpr std::uint8_t kJumbo = 0xC2;

bool IsExtension(std::uint8_t type) {
    switch (type) {
        case kHopByHop:
        case kRouting:
        case kFragment:
        case kAuthentication:
        case kDestination:
        case kMobility:
        case kHip:
        case kShim6:
        case kExperiment1:
        case kExperiment2:
            return true;
        default:
            return false;
    }
}

const char* HeaderName(std::uint8_t type) {
    switch (type) {
        case kHopByHop:
            return "Hop-by-hop options header";
        case kRouting:
            return "Routing header";
        case kFragment:
            return "Fragment header";
        case kAuthentication:
            return "Authentication header";
        case kDestination:
            return "Destination options header";
        case kMobility:
            return "Mobility header";
        case kHip:
            return "Host identity protocol header";
        case kShim6:
            return "Shim6 header";
        default:
            return "Experimental extension header";
    }
}

const char* OptionName(std::uint8_t type) {
    switch (type) {
        case kPad1:
            return "Pad1";
        case kPadN:
            return "PadN";
        case 0x04:
            return "Tunnel encapsulation limit";
        case 0x05:
            return "Router alert";
        case 0x26:
            return "Quick-start";
        case 0x63:
            return "RPL option";
        case kJumbo:
            return "Jumbo payload";
        case 0xC9:
            return "Home address";
        default:
            return "Unknown";
    }
}

const char* RoutingTypeName(std::uint8_t type) {
    switch (type) {
        case 0:
            return "Source route (deprecated)";
        case 2:
            return "Mobile IPv6 home address";
        case 3:
            return "RPL source route";
        case 4:
            return "Segment routing";
        default:
            return "Unknown";
    }
}

void AddAddressLine(CPktDetailLine& line, const char* label, unsigned index, std::span<const std::uint8_t> bytes) {
    if (bytes.size() != 16) return;
    std::string text = core::Printf(" %s %u = ", label, index);
    AppendIPv6(text, bytes.first<16>());
    line.Add(kPrefix, std::move(text), bytes);
}

// Type-length-value options of a hop-by-hop or destination options header.
void ReadOptions(core::ByteReader options, CPktDetailLine* line, Ipv6Chain& chain) {
    while (!options.AtEnd()) {
        const std::size_t start = options.Offset();
        const std::uint8_t type = options.U8();
        if (type == kPad1) {
            if (line != nullptr) line->Add(kPrefix, " Option Pad1", options.Since(start));
            continue;
        }
        const std::uint8_t length = options.U8();
        const auto value = options.Bytes(length);
        if (options.Failed()) {
            if (line != nullptr)
                line->Add(kPrefix, core::Printf(" ERROR ! Option 0x%.2X of length %u runs past the header",
                                                unsigned{type}, unsigned{length}));
            return;
        }
        core::ByteReader v(value);
        if (type == kJumbo && length == 4) {
            chain.jumbo = true;
            chain.jumboLength = v.Be32();
        }
        if (line == nullptr) continue;
        std::string text =
            core::Printf(" Option 0x%.2X (%s), length %u", unsigned{type}, OptionName(type), unsigned{length});
        if (type == kJumbo && length == 4) text += core::Printf(" = %u", chain.jumboLength);
        if (type == 0x05 && length == 2) text += core::Printf(" = %u", unsigned{v.Be16()});
        line->Add(kPrefix, std::move(text), options.Since(start));
    }
}

void AddRoutingLines(core::ByteReader body, CPktDetailLine& line) {
    const std::uint8_t type = body.U8();
    const std::uint8_t segmentsLeft = body.U8();
    line.Add(kPrefix, core::Printf(" Routing type = %u (%s)", unsigned{type}, RoutingTypeName(type)), body.Slice(0, 1));
    line.Add(kPrefix, core::Printf(" Segments left = %u", unsigned{segmentsLeft}), body.Slice(1, 1));
    // Types 0 and 2: four reserved bytes, then the addresses; type 4 (RFC 8754): last entry,
    // flags and tag, then the segment list. Other types hold no addresses we know of.
    if (type != 0 && type != 2 && type != 4) return;
    body.Skip(4);
    for (unsigned i = 0; body.Remaining() >= 16; ++i)
        AddAddressLine(line, type == 4 ? "Segment" : "Address", i, body.Bytes(16));
}

}  // namespace

Ipv6Chain ReadIpv6Extensions(core::ByteReader& in, std::uint8_t first, CPktDetailLine* parent,
                             const tables::CPktIProtNums& protocols) {
    Ipv6Chain chain;
    chain.protocol = first;
    const std::size_t start = in.Offset();
    for (std::size_t count = 0; IsExtension(chain.protocol); ++count) {
        const std::uint8_t type = chain.protocol;
        if (count == kMaxIpv6Extensions) {
            chain.fault = Ipv6Chain::Fault::TooMany;
            if (parent != nullptr)
                parent->Add(kPrefix,
                            core::Printf(" ERROR ! More than %u extension headers", unsigned{kMaxIpv6Extensions}));
            break;
        }
        core::ByteReader peek = in;
        const std::uint8_t next = peek.U8();
        const std::uint8_t lengthField = peek.U8();
        std::size_t length = 8;
        if (type == kAuthentication) {
            length = (std::size_t{lengthField} + 2) * 4;
        } else if (type != kFragment) {
            length = (std::size_t{lengthField} + 1) * 8;
        }
        if (peek.Failed() || in.Remaining() < length) {
            chain.fault = Ipv6Chain::Fault::PastEnd;
            if (parent != nullptr)
                parent->Add(kPrefix, core::Printf(" ERROR ! %s of %u bytes runs past the end of the frame",
                                                  HeaderName(type), static_cast<unsigned>(length)));
            break;
        }
        core::ByteReader header = in.Sub(length);
        header.Skip(2);
        CPktDetailLine* line = nullptr;
        if (parent != nullptr) {
            line = &parent->Add(
                kPrefix,
                core::Printf(" %s: next header = %u (%s), length = %u bytes", HeaderName(type), unsigned{next},
                             protocols.Description(next).c_str(), static_cast<unsigned>(length)),
                header.Whole());
        }
        if (type == kFragment) {
            const std::uint16_t offsetAndFlags = header.Be16();
            const std::uint32_t identification = header.Be32();
            chain.fragment = true;
            chain.fragmentOffset = static_cast<std::uint16_t>(offsetAndFlags & 0xFFF8U);
            chain.moreFragments = (offsetAndFlags & 0x0001U) != 0;
            if (line != nullptr) {
                const unsigned offset = chain.fragmentOffset;
                auto& offsetLine = line->Add(
                    kPrefix, core::Printf(" Fragment offset = %u (0x%X) bytes", offset, offset), header.Slice(2, 2));
                if (offset != 0) offsetLine.Add(kPrefix, " Not the first fragment: its data is not decoded further");
                line->Add(kPrefix, chain.moreFragments ? " .......1 = More Fragments" : " .......0 = Last Fragment",
                          header.Slice(3, 1));
                line->Add(kPrefix, core::Printf(" Identification = 0x%.8X", identification), header.Slice(4, 4));
            }
        } else if (type == kHopByHop || type == kDestination) {
            ReadOptions(header.Sub(header.Remaining()), line, chain);
        } else if (type == kRouting && line != nullptr) {
            AddRoutingLines(header.Sub(header.Remaining()), *line);
        } else if (type == kAuthentication && line != nullptr) {
            header.Skip(2);
            const std::uint32_t spi = header.Be32();
            const std::uint32_t sequence = header.Be32();
            line->Add(kPrefix, core::Printf(" Security parameters index = 0x%.8X", spi), header.Slice(4, 4));
            line->Add(kPrefix, core::Printf(" Sequence number = %u", sequence), header.Slice(8, 4));
        }
        chain.protocol = next;
        // The fragment's upper layer is the middle of a datagram unless it starts it.
        if (chain.fragment && chain.fragmentOffset != 0) break;
    }
    chain.length = in.Offset() - start;
    return chain;
}

}  // namespace decode
