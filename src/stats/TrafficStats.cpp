// The statistics engine.
#include "stats/TrafficStats.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace stats {

namespace {

bool Any(const std::array<bool, kTableKinds>& kinds) {
    return std::any_of(kinds.begin(), kinds.end(), [](bool b) { return b; });
}

std::size_t Index(TableKind kind) { return static_cast<std::size_t>(kind); }

__extension__ typedef __int128 Wide;

// Stamps come from outside: two centuries apart or more, the difference saturates instead
// of overflowing.
std::int64_t NanosecondsBetween(const capture::PcapClock::Time& from, const capture::PcapClock::Time& to) {
    const Wide ns = (Wide{to.seconds} - from.seconds) * kNanosPerSecond + (Wide{to.fraction} - from.fraction);
    return static_cast<std::int64_t>(
        std::clamp<Wide>(ns, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()));
}

}  // namespace

TrafficStats::TrafficStats(const decode::CPktParsers& parsers, StatsRequest request) : m_parsers(parsers) {
    if (request.protocols) m_protocols = std::make_unique<ProtocolHierarchy>();
    for (const TableKind kind : kAllTableKinds) {
        if (request.conversations[Index(kind)])
            m_conversations[Index(kind)] = std::make_unique<ConversationTable>(request.tableCap);
        if (request.endpoints[Index(kind)])
            m_endpoints[Index(kind)] = std::make_unique<EndpointTable>(request.tableCap);
    }
    if (request.ioInterval)
        m_io = std::make_unique<IoSeries>(*request.ioInterval, std::move(request.ioMatch), request.maxIntervals);
    // The hierarchy names every layer; stations need the transport at most; the I/O series
    // alone decodes nothing.
    m_level = 0;
    if (Any(request.conversations) || Any(request.endpoints)) m_level = decode::LEVEL_TRANSPORT;
    if (m_protocols) m_level = decode::kProtoCodeCount;
}

const ConversationTable* TrafficStats::Conversations(TableKind kind) const noexcept {
    return m_conversations[Index(kind)].get();
}

const EndpointTable* TrafficStats::Endpoints(TableKind kind) const noexcept { return m_endpoints[Index(kind)].get(); }

void TrafficStats::AddBatch(const capture::CPktSnap& batch) {
    for (const capture::CPktSnapQue frame : batch.Frames()) AddFrame(frame, batch.GetFrequency());
}

void TrafficStats::AddFrame(const capture::CPktSnapQue& frame, std::int64_t frequency) {
    const capture::PcapClock::Time t = m_clock.Convert(frame.GetCaptureTime(), frame.GetStamp(), frequency);
    if (!m_firstTime) m_firstTime = t;
    FrameSample sample;
    sample.time = NanosecondsBetween(*m_firstTime, t);
    sample.bytes = frame.GetTotalLength();
    sample.number = frame.GetFrameNumber();
    m_frames += 1;
    m_bytes += sample.bytes;
    m_latest = std::max(m_latest, sample.time);

    if (m_io) m_io->Add(sample, frame);
    if (m_level == 0) return;
    m_parsers.DecodeLayers(&frame, m_layers, m_level);
    if (m_protocols) m_protocols->Add(m_layers.Codes(), sample);
    CountStations(m_layers, sample);
}

void TrafficStats::CountStations(const decode::FrameLayers& layers, const FrameSample& sample) {
    const decode::CPktParseContext& ctx = layers.context;
    // stations() makes the pair only for a kind some table counts.
    const auto count = [&](TableKind kind, auto&& stations) {
        auto& conversations = m_conversations[Index(kind)];
        auto& endpoints = m_endpoints[Index(kind)];
        if (!conversations && !endpoints) return;
        const auto [source, destination] = stations();
        if (conversations) conversations->Add(source, destination, sample);
        if (endpoints) endpoints->Add(source, destination, sample);
    };
    if (ctx.macsRead) {
        count(TableKind::Ethernet,
              [&] { return std::pair(Address::Mac(ctx.sourceMac.Bytes()), Address::Mac(ctx.destinationMac.Bytes())); });
    }
    if (ctx.ipv4AddressesRead) {
        count(TableKind::IPv4, [&] { return std::pair(Address::V4(ctx.ipSource), Address::V4(ctx.ipDestination)); });
    }
    if (ctx.ipv6AddressesRead) {
        count(TableKind::IPv6,
              [&] { return std::pair(Address::V6(ctx.ipv6Source), Address::V6(ctx.ipv6Destination)); });
    }
    if (ctx.portsFrom != decode::PROTO_TCP && ctx.portsFrom != decode::PROTO_UDP) return;
    // The ports belong to the innermost IP header, the one the transport was read over.
    count(ctx.portsFrom == decode::PROTO_TCP ? TableKind::TCP : TableKind::UDP, [&] {
        if (ctx.ipVersion == 6) {
            return std::pair(Address::V6(ctx.ipv6Source, ctx.sourcePort),
                             Address::V6(ctx.ipv6Destination, ctx.destinationPort));
        }
        return std::pair(Address::V4(ctx.ipSource, ctx.sourcePort),
                         Address::V4(ctx.ipDestination, ctx.destinationPort));
    });
}

}  // namespace stats
