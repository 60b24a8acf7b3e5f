// TCP options: End of Option List (kind 0) and No-Operation (kind 1) are one byte; every
// other kind has a length byte that counts the kind and length bytes too, so a length
// below 2 would never move on and ends the reading.
#include "decode/TcpOptions.h"

#include "core/ByteReader.h"
#include "core/Printf.h"
#include "decode/StationText.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {

constexpr std::string_view kPrefix = "TCP: ";

enum Kind : std::uint8_t {
    kEnd = 0,
    kNop = 1,
    kMss = 2,
    kWindowScale = 3,
    kSackPermitted = 4,
    kSack = 5,
    kTimestamps = 8,
    kMultipath = 30,
    kFastOpen = 34,
};

// Names for kinds the table does not hold (it has room for kinds 0 to 19 only, and may be
// missing altogether).
const char* BuiltInName(std::uint8_t kind) {
    switch (kind) {
        case kEnd:
            return "End of Option List";
        case kNop:
            return "No-Operation";
        case kMss:
            return "Maximum Segment Size";
        case kWindowScale:
            return "Window Scale";
        case kSackPermitted:
            return "SACK Permitted";
        case kSack:
            return "SACK";
        case kTimestamps:
            return "Timestamps";
        case 27:
            return "Quick-Start Response";
        case 28:
            return "User Timeout";
        case 29:
            return "TCP Authentication";
        case kMultipath:
            return "Multipath TCP";
        case kFastOpen:
            return "TCP Fast Open Cookie";
        case 69:
            return "Encryption Negotiation";
        case 172:
            return "Accurate ECN Order 0";
        case 174:
            return "Accurate ECN Order 1";
        case 253:
        case 254:
            return "Experiment";
        default:
            return "Unknown";
    }
}

// The exact length a kind must have; 0 when it may vary.
std::uint8_t FixedLength(std::uint8_t kind) {
    switch (kind) {
        case kMss:
            return 4;
        case kWindowScale:
            return 3;
        case kSackPermitted:
            return 2;
        case kTimestamps:
            return 10;
        default:
            return 0;
    }
}

std::string Name(const tables::CPktTCPNums& table, std::uint8_t kind) {
    const tables::CPktTCPOptType* entry = table.Find(kind);
    return entry != nullptr && !entry->name.empty() ? entry->name : BuiltInName(kind);
}

// The option's value after "=" or ":"; its lines below line where it has several.
std::string ValueText(std::uint8_t kind, core::ByteReader value, CPktDetailLine& line) {
    switch (kind) {
        case kMss:
            return core::Printf(" = %u bytes", unsigned{value.Be16()});
        case kWindowScale: {
            const unsigned shift = value.U8();
            // RFC 7323 2.3: shifts above 14 are taken as 14.
            return shift <= 14 ? core::Printf(" = %u (multiply by %u)", shift, 1U << shift)
                               : core::Printf(" = %u (more than 14, taken as 14)", shift);
        }
        case kTimestamps: {
            const std::uint32_t value1 = value.Be32();
            const std::uint32_t echo = value.Be32();
            return core::Printf(" : TSval = %u, TSecr = %u", value1, echo);
        }
        case kSack: {
            unsigned blocks = 0;
            while (value.Remaining() >= 8) {
                const std::size_t start = value.Offset();
                const std::uint32_t left = value.Be32();
                const std::uint32_t right = value.Be32();
                line.Add(kPrefix, core::Printf(" Block = %u-%u (%u bytes)", left, right, right - left),
                         value.Since(start));
                ++blocks;
            }
            if (value.Remaining() != 0)
                line.Add(kPrefix, " ERROR ! The blocks are not a whole number of 8 bytes", value.Rest());
            return core::Printf(" : %u blocks", blocks);
        }
        case kFastOpen: {
            if (value.Remaining() == 0) return " : cookie request";
            std::string text = " : cookie = ";
            AppendHexBytes(text, value.Rest());
            return text;
        }
        case kMultipath:
            return value.Remaining() > 0 ? core::Printf(" : subtype = %u", static_cast<unsigned>(value.U8() >> 4U))
                                         : "";
        default:
            return "";
    }
}

}  // namespace

void AddTcpOptionLines(CPktDetailLine& parent, std::span<const std::uint8_t> options, std::size_t declared,
                       const tables::CPktTCPNums& table) {
    CPktDetailLine& top =
        parent.Add(kPrefix, core::Printf(" Options = %u bytes", static_cast<unsigned>(declared)), options);
    const bool headerComplete = options.size() >= declared;
    if (!headerComplete)
        top.Add(kPrefix, core::Printf(" ERROR ! The frame holds %u of them", static_cast<unsigned>(options.size())));
    core::ByteReader in(options);
    while (!in.AtEnd()) {
        const std::size_t start = in.Offset();
        const std::uint8_t kind = in.U8();
        const std::string name = Name(table, kind);
        if (kind == kEnd || kind == kNop) {
            top.Add(kPrefix, core::Printf(" %s (kind %u)", name.c_str(), unsigned{kind}), in.Since(start));
            if (kind == kEnd) return;  // what follows is padding
            continue;
        }
        const std::uint8_t length = in.U8();
        if (in.Failed()) {
            top.Add(kPrefix,
                    core::Printf(" ERROR ! %s (kind %u) has no length byte before the end of the %s", name.c_str(),
                                 unsigned{kind}, headerComplete ? "header" : "frame"),
                    in.Since(start));
            return;
        }
        if (length < 2) {
            top.Add(kPrefix,
                    core::Printf(" ERROR ! %s (kind %u) has length %u, below the 2 bytes of kind and length",
                                 name.c_str(), unsigned{kind}, unsigned{length}),
                    in.Since(start));
            return;
        }
        const auto value = in.Bytes(length - 2U);
        if (in.Failed()) {
            top.Add(kPrefix,
                    core::Printf(" ERROR ! %s (kind %u) of length %u runs past the end of the %s", name.c_str(),
                                 unsigned{kind}, unsigned{length}, headerComplete ? "header" : "frame"),
                    in.Slice(start, in.Remaining() + in.Offset() - start));
            return;
        }
        std::string text = core::Printf(" %s (kind %u, length %u)", name.c_str(), unsigned{kind}, unsigned{length});
        const std::uint8_t fixed = FixedLength(kind);
        if (fixed != 0 && length != fixed) {
            top.Add(kPrefix, std::move(text), in.Since(start))
                .Add(kPrefix,
                     core::Printf(" ERROR ! This option is %u bytes long, not %u", unsigned{fixed}, unsigned{length}));
            continue;
        }
        CPktDetailLine blocks = top.Holder();  // lines of the value, known before the option's own line
        text += ValueText(kind, core::ByteReader(value), blocks);
        top.Add(kPrefix, std::move(text), in.Since(start)).Adopt(blocks);
    }
}

}  // namespace decode
