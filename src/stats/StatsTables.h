// The four statistics views as tables: the protocol hierarchy, conversations and endpoints
// of one kind, and the I/O intervals. The command line prints them; the workbench shows them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "stats/ConversationTable.h"
#include "stats/EndpointTable.h"
#include "stats/IoSeries.h"
#include "stats/ProtocolHierarchy.h"
#include "stats/RowTable.h"
#include "tables/LookupTables.h"

namespace stats {

struct ProtocolRow {
    std::string name;  // "UDP"
    std::string path;  // "Ethernet/IPv4/UDP"
    std::uint32_t depth = 1;
    std::optional<std::size_t> parent;  // the row of the layer below; none for a link layer
    std::uint64_t frames = 0, bytes = 0;
    std::uint64_t totalFrames = 0, totalBytes = 0;  // of the whole capture
    bool other = false;
};

struct IoRow {
    std::int64_t start = 0, end = 0;  // ns after the first frame
    IoInterval counts;
    bool other = false;  // frames stamped outside the series
};

using ProtocolTable = RowTable<ProtocolRow>;
using ConversationStatsTable = RowTable<ConversationRow>;
using EndpointStatsTable = RowTable<EndpointRow>;
using IoTable = RowTable<IoRow>;

std::optional<std::uint32_t> FirstFrameOf(const ProtocolRow& row);
std::optional<std::uint32_t> FirstFrameOf(const ConversationRow& row);
std::optional<std::uint32_t> FirstFrameOf(const EndpointRow& row);
std::optional<std::uint32_t> FirstFrameOf(const IoRow& row);

// Rows depth first, most frames first among siblings.
std::unique_ptr<ProtocolTable> MakeProtocolTable(const ProtocolHierarchy& hierarchy);
// Rows by frames, then bytes (most first), then first frame; the notes say when the cap was
// reached.
std::unique_ptr<ConversationStatsTable> MakeConversationTable(TableKind kind, const ConversationTable& table);
// The same; Ethernet endpoints get their vendor's name from vendors when it knows it.
std::unique_ptr<EndpointStatsTable> MakeEndpointTable(TableKind kind, const EndpointTable& table,
                                                      const tables::CPktEtherNums* vendors);
// One row per interval from the first to the last that holds a frame, then the "other" row.
std::unique_ptr<IoTable> MakeIoTable(const IoSeries& series);

}  // namespace stats
