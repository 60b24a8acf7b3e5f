// Fuzz target: arbitrary frame bytes through both decoder chains at every level (the detail
// lines' byte ranges must nest inside the frame), and through
// the stepping chain into the statistics engine. The first byte picks the frame's link code,
// the second the tables (empty or the shipped files).
#include <cstddef>
#include <cstdint>
#include <span>

#include "capture/CPktSnapQue.h"
#include "decode/CPktDetailLine.h"
#include "decode/CPktParsers.h"
#include "decode/CPktParsersConf.h"
#include "decode/CPktSummary.h"
#include "decode/DetailRanges.h"
#include "decode/DetailText.h"
#include "decode/FrameLayers.h"
#include "decode/ProtoCode.h"
#include "stats/StatsTables.h"
#include "stats/TrafficStats.h"

namespace {

// Every code a decoder may be registered under, and two that have none.
constexpr std::uint32_t kLinkCodes[] = {
    decode::PROTO_ETHERNET,
    decode::PROTO_IPV4,
    decode::PROTO_TCP,
    decode::PROTO_UDP,
    decode::PROTO_DNS,
    decode::PROTO_NBNS,
    decode::PROTO_FTP_COMMAND,
    decode::PROTO_FTP_REPLY,
    decode::PROTO_SMTP_COMMAND,
    decode::PROTO_SMTP_REPLY,
    decode::PROTO_TELNET,
    decode::PROTO_POP3_COMMAND,
    decode::PROTO_POP3_REPLY,
    decode::PROTO_HTTP_REQUEST,
    decode::PROTO_HTTP_RESPONSE,
    decode::PROTO_NONE,
    0xFFFFFFFFU,
    decode::PROTO_VLAN,
    decode::PROTO_LINUX_SLL,
    decode::PROTO_LINUX_SLL2,
    decode::PROTO_ARP,
    decode::PROTO_IPV6,
    decode::PROTO_ICMP,
};
constexpr std::uint32_t kLevels[] = {decode::LEVEL_DATALINK, decode::LEVEL_NETWORK, decode::LEVEL_TRANSPORT,
                                     decode::LEVEL_APPLICATION};

struct DecoderSets {
    decode::CPktParsersConf emptyConf{core::Locking::Unlocked, tables::TableSource::Empty};
    decode::CPktParsersConf loadedConf = decode::CPktParsersConf::FromTableFiles();
    decode::CPktParsers empty{emptyConf};
    decode::CPktParsers loaded{loadedConf};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const DecoderSets sets;
    const std::span<const std::uint8_t> input(data, size);
    if (input.size() < 2) return 0;
    const std::uint8_t codePick = input[0];
    const std::uint8_t tablePick = input[1];
    const auto bytes = input.subspan(2);

    capture::CPktSnapQue previous;
    previous.SetStamp(static_cast<std::int64_t>(0x7FFFFFFFFFFFFF00LL) + codePick);
    capture::CPktSnapQue frame;
    frame.SetLinkProtocol(kLinkCodes[codePick % std::size(kLinkCodes)]);
    frame.SetData(bytes);
    frame.SetCapturedLength(static_cast<std::uint32_t>(bytes.size()));
    frame.SetTotalLength(static_cast<std::uint32_t>(bytes.size()));
    frame.SetStamp(-static_cast<std::int64_t>(tablePick) * 1000);
    frame.SetCaptureTime(0xFFFFFFFFU - tablePick);

    const decode::CPktParsers& parsers = (tablePick & 1U) != 0 ? sets.loaded : sets.empty;
    const std::int64_t tickRate = (tablePick & 2U) != 0 ? 0 : 1'000'000'000;
    decode::CPktSummary row;
    for (const std::uint32_t level : kLevels) {
        if (parsers.DecodeSummary(level, &previous, &frame, row, tickRate) > bytes.size()) __builtin_trap();
    }
    decode::CPktDetailLine root;
    if (parsers.DecodeDetail(&previous, &frame, root, tickRate) > bytes.size()) __builtin_trap();
    if (decode::FindStrayRange(root, bytes.size()) != nullptr) __builtin_trap();
    const std::string text = decode::RenderDetailText(root);

    decode::FrameLayers layers;
    if (parsers.DecodeLayers(&frame, layers) > bytes.size() || layers.count > decode::FrameLayers::kMaxLayers)
        __builtin_trap();
    // Every table, the frame counted twice: once as the first frame, once against the
    // previous frame's far-off stamp.
    stats::StatsRequest request;
    request.protocols = true;
    request.conversations.fill(true);
    request.endpoints.fill(true);
    request.ioInterval = 1'000'000;
    stats::TrafficStats engine(parsers, request);
    engine.AddFrame(frame, tickRate);
    previous.SetData(bytes);
    previous.SetLinkProtocol(frame.GetLinkProtocol());
    engine.AddFrame(previous, tickRate);
    const auto protocols = stats::MakeProtocolTable(*engine.Protocols());
    const auto io = stats::MakeIoTable(*engine.Io());
    for (const stats::TableKind kind : stats::kAllTableKinds) {
        const auto conversations = stats::MakeConversationTable(kind, *engine.Conversations(kind));
        if (conversations->Tsv(conversations->SortedBy(0, true)).empty()) __builtin_trap();
        const auto endpoints = stats::MakeEndpointTable(kind, *engine.Endpoints(kind), nullptr);
        if (endpoints->Tsv(endpoints->SortedBy(1, false)).empty()) __builtin_trap();
    }
    return text.empty() || protocols->RowCount() > 1000 || io->RowCount() == 0 ? 0 : 0;
}
