// 802.1Q tag (IEEE 802.1Q-2018 9.6): 16-bit tag control (PCP 3 bits, DEI 1 bit, VID 12
// bits) and the 16-bit type of what follows. An 802.1ad frame stacks a service tag
// (0x88A8) before a customer tag (0x8100); each tag is one layer here.
#include "decode/CPktVLANParser.h"

#include "core/Printf.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {

constexpr std::string_view kPrefix = "VLAN: ";
constexpr std::size_t kTagLength = 4;

constexpr const char* kPriorityNames[8] = {"Best effort", "Background", "Excellent effort",     "Critical applications",
                                           "Video",       "Voice",      "Internetwork control", "Network control"};

const char* TagTypeName(std::uint16_t tagType) {
    switch (tagType) {
        case 0x8100:
            return "802.1Q customer tag";
        case 0x88A8:
            return "802.1ad service tag";
        case 0x9100:
            return "service tag, before 802.1ad";
        default:
            return "tag";
    }
}

std::string FaultText(bool tooMany) {
    return tooMany ? core::Printf(" ERROR ! More than %u stacked tags", unsigned{CPktVLANParser::kMaxTags})
                   : " ERROR !";
}

}  // namespace

std::optional<CPktVLANParser::Tag> CPktVLANParser::ReadTag(core::ByteReader& in, CPktParseContext& ctx,
                                                           Fault& fault) noexcept {
    if (ctx.vlanTags >= kMaxTags) {
        fault = Fault::TooMany;
        return std::nullopt;
    }
    if (in.Remaining() < kTagLength) {
        fault = Fault::Short;
        return std::nullopt;
    }
    Tag tag;
    tag.tagType = ctx.linkType;
    tag.control = in.Be16();
    tag.type = in.Be16();
    ++ctx.vlanTags;
    ctx.linkType = tag.type;
    return tag;
}

ProtoCode CPktVLANParser::Parse(core::ByteReader& in, CPktParseContext& ctx) const {
    Fault fault = Fault::None;
    const auto tag = ReadTag(in, ctx, fault);
    return tag ? TypeToCode(tag->type) : PROTO_NONE;
}

ProtoCode CPktVLANParser::ParseSummary(core::ByteReader& in, CPktParseContext& ctx, SummaryTexts& out) const {
    Fault fault = Fault::None;
    const auto tag = ReadTag(in, ctx, fault);
    std::string& s = out.summary;
    s.append(kPrefix);
    if (!tag) {
        s.append(FaultText(fault == Fault::TooMany));
        return PROTO_NONE;
    }
    s.append(" ID = ");
    AppendDec(s, tag->Id());
    s.append(" : Priority = ");
    AppendDec(s, tag->Priority());
    s.append(" : ETYPE = 0x");
    AppendHex(s, tag->type, 4);
    s.append(" : Protocol = ");
    s.append(TypeName(tag->type));
    return TypeToCode(tag->type);
}

ProtoCode CPktVLANParser::ParseDetail(core::ByteReader& in, CPktParseContext& ctx, CPktDetailLine& root) const {
    const std::size_t remaining = in.Remaining();
    Fault fault = Fault::None;
    const auto tag = ReadTag(in, ctx, fault);
    if (!tag) {
        root.Add(kPrefix, FaultText(fault == Fault::TooMany));
        return PROTO_NONE;
    }
    const std::string& typeName = TypeName(tag->type);
    CPktDetailLine& top =
        root.Add(kPrefix, core::Printf(" ID = %u : Priority = %u : ETYPE = 0x%.4X : Protocol = %s", tag->Id(),
                                       tag->Priority(), unsigned{tag->type}, typeName.c_str()));
    // The tag type is the type field of the layer below, so this line names no bytes of its own.
    top.Add(kPrefix, core::Printf(" Tag type = 0x%.4X (%s)", unsigned{tag->tagType}, TagTypeName(tag->tagType)));
    CPktDetailLine& control =
        top.Add(kPrefix, core::Printf(" Tag control = 0x%.4X", unsigned{tag->control}), in.Slice(0, 2));
    const unsigned pcp = tag->Priority();
    control.Add(kPrefix,
                core::Printf(" %u%u%u..... = Priority %u (%s)", (pcp >> 2U) & 1U, (pcp >> 1U) & 1U, pcp & 1U, pcp,
                             kPriorityNames[pcp]),
                in.Slice(0, 1));
    control.Add(kPrefix, tag->DropEligible() ? " ...1.... = Drop eligible" : " ...0.... = Not drop eligible",
                in.Slice(0, 1));
    const char* idNote = tag->Id() == 0 ? " (priority tag only)" : tag->Id() == 0xFFF ? " (reserved)" : "";
    control.Add(kPrefix, core::Printf(" VLAN ID = %u (0x%.3X)%s", tag->Id(), tag->Id(), idNote), in.Slice(0, 2));
    top.Add(kPrefix, core::Printf(" Ethernet type = 0x%.4X (%s)", unsigned{tag->type}, typeName.c_str()),
            in.Slice(2, 2));
    const auto rest = static_cast<unsigned>(remaining - kTagLength);
    top.Add(kPrefix, core::Printf(" Number of data bytes remaining = %u (0x%X)", rest, rest));
    return TypeToCode(tag->type);
}

}  // namespace decode
