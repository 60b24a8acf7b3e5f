// The decoder set and its two chain drivers.
#include "decode/CPktParsers.h"

#include <cmath>
#include <mutex>

#include "decode/CPktARPParser.h"
#include "decode/CPktEthernetParser.h"
#include "decode/CPktFrameParser.h"
#include "decode/CPktICMPParser.h"
#include "decode/CPktIPv4Parser.h"
#include "decode/CPktIPv6Parser.h"
#include "decode/CPktLinuxSLLParser.h"
#include "decode/CPktTCPParser.h"
#include "decode/CPktTelnetParser.h"
#include "decode/CPktUDPParser.h"
#include "decode/CPktVLANParser.h"
#include "decode/app/ApplicationParsers.h"

namespace decode {

namespace {

// Codes an application decoder may be registered under; anything else is ignored.
constexpr ProtoCode kApplicationCodes[] = {
    PROTO_DNS,        PROTO_NBNS,         PROTO_FTP_COMMAND, PROTO_FTP_REPLY,    PROTO_SMTP_COMMAND,
    PROTO_SMTP_REPLY, PROTO_POP3_COMMAND, PROTO_POP3_REPLY,  PROTO_HTTP_REQUEST, PROTO_HTTP_RESPONSE,
};

bool IsApplicationCode(ProtoCode code) {
    for (const ProtoCode c : kApplicationCodes) {
        if (c == code) return true;
    }
    return false;
}

// Milliseconds from the previous frame's stamp to this one's; 0 without a previous frame.
double DeltaMs(const capture::CPktSnapQue* previous, const capture::CPktSnapQue* frame, std::int64_t tickRate) {
    if (previous == nullptr || frame == nullptr) return 0.0;
    return capture::MillisecondsBetween(previous->GetStamp(), frame->GetStamp(), tickRate);
}

// One layer's reader starts at the layer (so offsets inside a message are the message's
// own) and ends with the frame; what it consumed moves the frame's reader on.
template <class Run>
ProtoCode RunLayer(core::ByteReader& frame, Run&& run) {
    core::ByteReader layer(frame.Rest());
    const ProtoCode next = run(layer);
    frame.Skip(layer.Offset());
    return next;
}

// A layer's top lines that name no bytes of their own describe what the layer consumed:
// its header, and for a message read whole, the message.
void DescribeLayer(CPktDetailLine& root, std::size_t firstLine, std::span<const std::uint8_t> consumed) {
    const auto& lines = root.Children();
    for (std::size_t i = firstLine; i < lines.size(); ++i) {
        if (!lines[i]->Bytes()) lines[i]->Describes(consumed);
    }
}

}  // namespace

CPktParsers::CPktParsers(const decode::CPktParsersConf& conf, core::Locking locking)
    : CPktParsers(conf.GetEtherNums(), conf.GetIProtNums(), conf.GetWPortNums(), conf.GetTCPNums(), locking) {}

CPktParsers::CPktParsers(const tables::CPktEtherNums& etherNums, const tables::CPktIProtNums& protocols,
                         const tables::CPktWPortNums& ports, const tables::CPktTCPNums& options, core::Locking locking)
    : core::CPktLockable(locking),
      m_frameParser(std::make_unique<CPktFrameParser>()) {
    m_parsers[PROTO_ETHERNET] = std::make_unique<CPktEthernetParser>(etherNums);
    m_parsers[PROTO_IPV4] = std::make_unique<CPktIPv4Parser>(protocols);
    m_parsers[PROTO_UDP] = std::make_unique<CPktUDPParser>(ports);
    m_parsers[PROTO_TELNET] = std::make_unique<CPktTelnetParser>();
    m_parsers[PROTO_TCP] = std::make_unique<CPktTCPParser>(ports, options);
    m_parsers[PROTO_VLAN] = std::make_unique<CPktVLANParser>(etherNums);
    m_parsers[PROTO_LINUX_SLL] = std::make_unique<CPktLinuxSLLParser>(etherNums, CPktLinuxSLLParser::Version::V1);
    m_parsers[PROTO_LINUX_SLL2] = std::make_unique<CPktLinuxSLLParser>(etherNums, CPktLinuxSLLParser::Version::V2);
    m_parsers[PROTO_ARP] = std::make_unique<CPktARPParser>(etherNums);
    m_parsers[PROTO_IPV6] = std::make_unique<CPktIPv6Parser>(protocols);
    m_parsers[PROTO_ICMP] = std::make_unique<CPktICMPParser>(etherNums, protocols);
    for (auto& reg : app::MakeApplicationParsers(protocols, ports)) {
        if (reg.parser && IsApplicationCode(reg.code)) m_parsers[reg.code] = std::move(reg.parser);
    }
}

CPktParsers::~CPktParsers() = default;

const CPktParser* CPktParsers::GetParser(ProtoCode code) const {
    std::scoped_lock lock(*this);
    return code < m_parsers.size() ? m_parsers[code].get() : nullptr;
}

std::uint32_t CPktParsers::DecodeSummary(std::uint32_t level, const capture::CPktSnapQue* previous,
                                         const capture::CPktSnapQue* frame, CPktSummary& row,
                                         std::int64_t tickRate) const {
    // Each layer writes into these; they keep their capacity from frame to frame, so a
    // screen of rows costs no allocation per layer.
    thread_local SummaryTexts layerTexts;
    CPktParseContext ctx;
    std::scoped_lock lock(*this);
    row.summary.clear();
    row.source.clear();
    row.destination.clear();

    core::ByteReader in(frame != nullptr ? frame->GetData() : std::span<const std::uint8_t>{});
    ProtoCode code = m_frameParser->Parse(frame, nullptr, 0.0F);
    for (const CPktParser* parser = GetParser(code); parser != nullptr && code < level; parser = GetParser(code)) {
        layerTexts.Clear();
        const ProtoCode next =
            RunLayer(in, [&](core::ByteReader& layer) { return parser->ParseSummary(layer, ctx, layerTexts); });
        ctx.previousCode = code;
        if (!layerTexts.summary.empty()) row.summary.assign(layerTexts.summary);
        if (!layerTexts.source.empty()) row.source.assign(layerTexts.source);
        if (!layerTexts.destination.empty()) row.destination.assign(layerTexts.destination);
        code = next;
        if (in.AtEnd()) break;
    }
    row.frameNumber = frame != nullptr ? frame->GetFrameNumber() : 0;
    row.timeDelta = static_cast<float>(DeltaMs(previous, frame, tickRate));
    return static_cast<std::uint32_t>(in.Offset());
}

std::uint32_t CPktParsers::DecodeDetail(const capture::CPktSnapQue* previous, const capture::CPktSnapQue* frame,
                                        CPktDetailLine& root, std::int64_t tickRate) const {
    CPktParseContext ctx;
    std::scoped_lock lock(*this);
    const auto wholeMs = static_cast<float>(std::trunc(DeltaMs(previous, frame, tickRate)));
    core::ByteReader in(frame != nullptr ? frame->GetData() : std::span<const std::uint8_t>{});
    root.SetFrame(in.Whole());
    ProtoCode code = m_frameParser->Parse(frame, &root, wholeMs);
    for (const CPktParser* parser = GetParser(code); parser != nullptr; parser = GetParser(code)) {
        const std::size_t firstLine = root.Children().size();
        const std::size_t layerStart = in.Offset();
        const ProtoCode next =
            RunLayer(in, [&](core::ByteReader& layer) { return parser->ParseDetail(layer, ctx, root); });
        DescribeLayer(root, firstLine, in.Since(layerStart));
        ctx.previousCode = code;
        code = next;
        if (in.AtEnd()) break;
    }
    return static_cast<std::uint32_t>(in.Offset());
}

std::uint32_t CPktParsers::DecodeLayers(const capture::CPktSnapQue* frame, FrameLayers& out,
                                        std::uint32_t level) const {
    out.count = 0;
    out.context = CPktParseContext{};
    std::scoped_lock lock(*this);
    core::ByteReader in(frame != nullptr ? frame->GetData() : std::span<const std::uint8_t>{});
    ProtoCode code = m_frameParser->Parse(frame, nullptr, 0.0F);
    for (const CPktParser* parser = GetParser(code);
         parser != nullptr && code < level && out.count < FrameLayers::kMaxLayers; parser = GetParser(code)) {
        const ProtoCode next = RunLayer(in, [&](core::ByteReader& layer) { return parser->Parse(layer, out.context); });
        out.context.previousCode = code;
        out.codes[out.count++] = code;
        code = next;
        if (in.AtEnd()) break;
    }
    return static_cast<std::uint32_t>(in.Offset());
}

}  // namespace decode
