// The statistics engine: fed frame by frame (or a batch at a time) from the decoders the
// packet list uses, it keeps the tables asked for: protocol hierarchy, conversations and
// endpoints of each kind, frames and bytes per interval. Times count from the first frame
// fed. Memory stays bounded whatever the input: each conversation and endpoint table stops
// at its cap (the rest go to its "other" row), the I/O series at its interval cap.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "capture/CPktSnap.h"
#include "capture/PcapExport.h"
#include "decode/CPktParsers.h"
#include "decode/FrameLayers.h"
#include "stats/Address.h"
#include "stats/ConversationTable.h"
#include "stats/EndpointTable.h"
#include "stats/IoSeries.h"
#include "stats/ProtocolHierarchy.h"

namespace stats {

// Which tables to keep; each costs time per frame, so a command keeps only the one it shows.
struct StatsRequest {
    bool protocols = false;
    std::array<bool, kTableKinds> conversations{};
    std::array<bool, kTableKinds> endpoints{};
    std::optional<std::int64_t> ioInterval;  // nanoseconds
    FrameMatch ioMatch;                      // frames whose counts the I/O series also keeps
    std::size_t tableCap = ConversationTable::kDefaultCap;
    std::size_t maxIntervals = IoSeries::kDefaultMaxIntervals;
};

class TrafficStats {
public:
    // parsers must outlive the engine.
    TrafficStats(const decode::CPktParsers& parsers, StatsRequest request);

    // A frame of a batch whose counter runs at frequency ticks per second.
    void AddFrame(const capture::CPktSnapQue& frame, std::int64_t frequency);
    void AddBatch(const capture::CPktSnap& batch);

    std::uint64_t Frames() const noexcept { return m_frames; }
    std::uint64_t Bytes() const noexcept { return m_bytes; }
    // Nanoseconds from the first frame fed to the latest stamp seen.
    std::int64_t Span() const noexcept { return m_latest; }
    // The first frame's time: seconds since 1970 and nanoseconds (as the pcap export writes it).
    std::optional<capture::PcapClock::Time> FirstTime() const noexcept { return m_firstTime; }

    // nullptr for a table that was not asked for.
    const ProtocolHierarchy* Protocols() const noexcept { return m_protocols.get(); }
    const ConversationTable* Conversations(TableKind kind) const noexcept;
    const EndpointTable* Endpoints(TableKind kind) const noexcept;
    const IoSeries* Io() const noexcept { return m_io.get(); }

private:
    void CountStations(const decode::FrameLayers& layers, const FrameSample& sample);

    const decode::CPktParsers& m_parsers;
    std::uint32_t m_level;  // how far up the chain the tables asked for need the layers
    std::unique_ptr<ProtocolHierarchy> m_protocols;
    std::array<std::unique_ptr<ConversationTable>, kTableKinds> m_conversations;
    std::array<std::unique_ptr<EndpointTable>, kTableKinds> m_endpoints;
    std::unique_ptr<IoSeries> m_io;

    decode::FrameLayers m_layers;
    capture::PcapClock m_clock{kNanosPerSecond};
    std::optional<capture::PcapClock::Time> m_firstTime;
    std::uint64_t m_frames = 0;
    std::uint64_t m_bytes = 0;
    std::int64_t m_latest = 0;
};

}  // namespace stats
