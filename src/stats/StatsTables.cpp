// Columns of the statistics tables.
#include "stats/StatsTables.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "decode/ProtocolNames.h"

namespace stats {

namespace {

constexpr std::string_view kOther = "other";

// The first station column of the "other" row says what the row is; its other station,
// port and time cells are empty.
template <class Row>
Field Station(const Row& r, const Address& a, bool labelled) {
    if (r.other) return labelled ? Field(kOther) : Field();
    return a;
}
template <class Row>
Field PortOf(const Row& r, const Address& a) {
    return r.other ? Field() : Field(std::uint64_t{a.port});
}
template <class Row>
Field TimeOf(const Row& r, std::int64_t ns) {
    return r.other ? Field() : Field(Seconds{ns});
}
template <class Row>
Field FirstOf(const Row& r) {
    const auto first = FirstFrameOf(r);
    return first ? Field(std::uint64_t{*first}) : Field();
}

// The columns of a kind: port columns only where stations have ports, the vendor only for
// Ethernet.
template <class ColumnRule, std::size_t N>
std::vector<ColumnRule> ColumnsFor(TableKind kind, const ColumnRule (&all)[N]) {
    std::vector<ColumnRule> rules;
    std::copy_if(std::begin(all), std::end(all), std::back_inserter(rules), [&](const ColumnRule& s) {
        const std::string_view name = s.name;
        if (name.starts_with("Port")) return HasPorts(kind);
        if (name == "Vendor") return kind == TableKind::Ethernet;
        return true;
    });
    return rules;
}

constexpr ProtocolTable::ColumnRule kProtocolColumns[] = {
    {"Protocol", false, [](const ProtocolRow& r) -> Field { return std::string_view(r.name); }},
    {"Frames", true, [](const ProtocolRow& r) -> Field { return r.frames; }},
    {"Frames %", true,
     [](const ProtocolRow& r) -> Field {
         return Share{r.frames, r.totalFrames};
     }},
    {"Bytes", true, [](const ProtocolRow& r) -> Field { return r.bytes; }},
    {"Bytes %", true,
     [](const ProtocolRow& r) -> Field {
         return Share{r.bytes, r.totalBytes};
     }},
};

constexpr ConversationStatsTable::ColumnRule kConversationColumns[] = {
    {"Address A", false, [](const ConversationRow& r) { return Station(r, r.a, true); }},
    {"Port A", true, [](const ConversationRow& r) { return PortOf(r, r.a); }},
    {"Address B", false, [](const ConversationRow& r) { return Station(r, r.b, false); }},
    {"Port B", true, [](const ConversationRow& r) { return PortOf(r, r.b); }},
    {"Frames", true, [](const ConversationRow& r) -> Field { return r.Frames(); }},
    {"Bytes", true, [](const ConversationRow& r) -> Field { return r.Bytes(); }},
    {"Frames A->B", true, [](const ConversationRow& r) -> Field { return r.framesAtoB; }},
    {"Bytes A->B", true, [](const ConversationRow& r) -> Field { return r.bytesAtoB; }},
    {"Frames B->A", true, [](const ConversationRow& r) -> Field { return r.framesBtoA; }},
    {"Bytes B->A", true, [](const ConversationRow& r) -> Field { return r.bytesBtoA; }},
    {"Start", true, [](const ConversationRow& r) { return TimeOf(r, r.start); }},
    {"Duration", true, [](const ConversationRow& r) { return TimeOf(r, r.Duration()); }},
    {"First frame", true, [](const ConversationRow& r) { return FirstOf(r); }},
};

constexpr EndpointStatsTable::ColumnRule kEndpointColumns[] = {
    {"Address", false, [](const EndpointRow& r) { return Station(r, r.address, true); }},
    {"Port", true, [](const EndpointRow& r) { return PortOf(r, r.address); }},
    {"Vendor", false, [](const EndpointRow& r) -> Field { return std::string_view(r.vendor); }},
    {"Frames", true, [](const EndpointRow& r) -> Field { return r.Frames(); }},
    {"Bytes", true, [](const EndpointRow& r) -> Field { return r.Bytes(); }},
    {"Tx Frames", true, [](const EndpointRow& r) -> Field { return r.txFrames; }},
    {"Tx Bytes", true, [](const EndpointRow& r) -> Field { return r.txBytes; }},
    {"Rx Frames", true, [](const EndpointRow& r) -> Field { return r.rxFrames; }},
    {"Rx Bytes", true, [](const EndpointRow& r) -> Field { return r.rxBytes; }},
    {"First frame", true, [](const EndpointRow& r) { return FirstOf(r); }},
};

constexpr IoTable::ColumnRule kIoColumns[] = {
    {"Start", true, [](const IoRow& r) { return TimeOf(r, r.start); }},
    {"End", true, [](const IoRow& r) { return r.other ? Field(kOther) : Field(Seconds{r.end}); }},
    {"Frames", true, [](const IoRow& r) -> Field { return r.counts.frames; }},
    {"Bytes", true, [](const IoRow& r) -> Field { return r.counts.bytes; }},
    {"Matched frames", true, [](const IoRow& r) -> Field { return r.counts.matchedFrames; }},
    {"Matched bytes", true, [](const IoRow& r) -> Field { return r.counts.matchedBytes; }},
};

// The stations that tell two rows apart when their counts tie, so that the order never
// depends on the hash table's.
std::pair<const Address&, const Address&> Stations(const ConversationRow& r) { return {r.a, r.b}; }
std::pair<const Address&, const Address&> Stations(const EndpointRow& r) { return {r.address, r.address}; }

// Most frames first, then most bytes, then the earliest first frame, then by stations;
// "other" last.
template <class Row>
void SortByTraffic(std::vector<Row>& rows) {
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.other != b.other) return b.other;
        if (a.Frames() != b.Frames()) return a.Frames() > b.Frames();
        if (a.Bytes() != b.Bytes()) return a.Bytes() > b.Bytes();
        if (a.firstFrame != b.firstFrame) return a.firstFrame < b.firstFrame;
        return Stations(a) < Stations(b);
    });
}

std::string CapNote(const char* what, TableKind kind, std::size_t cap) {
    return std::string(KindTitle(kind)) + " " + what + " beyond the first " + CountText(cap) +
           " are counted together in the \"other\" row.";
}

}  // namespace

std::optional<std::uint32_t> FirstFrameOf(const ProtocolRow& /*row*/) { return std::nullopt; }
std::optional<std::uint32_t> FirstFrameOf(const ConversationRow& row) {
    return row.other ? std::nullopt : std::optional(row.firstFrame);
}
std::optional<std::uint32_t> FirstFrameOf(const EndpointRow& row) {
    return row.other ? std::nullopt : std::optional(row.firstFrame);
}
std::optional<std::uint32_t> FirstFrameOf(const IoRow& row) { return row.other ? std::nullopt : row.counts.firstFrame; }

std::unique_ptr<ProtocolTable> MakeProtocolTable(const ProtocolHierarchy& hierarchy) {
    const auto& nodes = hierarchy.Nodes();
    std::vector<ProtocolRow> rows;
    std::vector<std::size_t> rowOf(nodes.size(), 0);
    for (const std::uint32_t n : hierarchy.ListingOrder()) {
        ProtocolRow r;
        r.name = hierarchy.Name(n);
        r.path = hierarchy.Path(n);
        r.depth = nodes[n].depth;
        if (nodes[n].parent != 0) r.parent = rowOf[nodes[n].parent];
        r.frames = nodes[n].frames;
        r.bytes = nodes[n].bytes;
        r.totalFrames = nodes[0].frames;
        r.totalBytes = nodes[0].bytes;
        rowOf[n] = rows.size();
        rows.push_back(std::move(r));
    }
    return std::make_unique<ProtocolTable>(std::move(rows),
                                           std::vector(std::begin(kProtocolColumns), std::end(kProtocolColumns)));
}

std::unique_ptr<ConversationStatsTable> MakeConversationTable(TableKind kind, const ConversationTable& table) {
    auto rows = table.Rows();
    SortByTraffic(rows);
    auto out = std::make_unique<ConversationStatsTable>(std::move(rows), ColumnsFor(kind, kConversationColumns));
    if (table.OtherFrames() != 0) out->notes.push_back(CapNote("conversations", kind, table.Cap()));
    return out;
}

std::unique_ptr<EndpointStatsTable> MakeEndpointTable(TableKind kind, const EndpointTable& table,
                                                      const tables::CPktEtherNums* vendors) {
    auto rows = table.Rows();
    if (kind == TableKind::Ethernet && vendors != nullptr) {
        for (EndpointRow& r : rows) {
            if (r.other) continue;
            const auto& b = r.address.bytes;
            if (const std::string* name = vendors->FindVendor(b[0], b[1], b[2])) r.vendor = *name;
        }
    }
    SortByTraffic(rows);
    auto out = std::make_unique<EndpointStatsTable>(std::move(rows), ColumnsFor(kind, kEndpointColumns));
    if (table.OtherFrames() != 0) out->notes.push_back(CapNote("endpoints", kind, table.Cap()));
    return out;
}

std::unique_ptr<IoTable> MakeIoTable(const IoSeries& series) {
    std::vector<IoRow> rows;
    const auto& intervals = series.Intervals();
    rows.reserve(intervals.size() + 1);
    for (std::size_t i = 0; i < intervals.size(); ++i) {
        IoRow r;
        r.start = static_cast<std::int64_t>(i) * series.Interval();
        r.end = r.start + series.Interval();
        r.counts = intervals[i];
        rows.push_back(r);
    }
    const bool other = series.Other().frames != 0;
    if (other) {
        IoRow r;
        r.other = true;
        r.counts = series.Other();
        rows.push_back(r);
    }
    // The matched columns only when a filter chose frames.
    std::vector<IoTable::ColumnRule> rules(std::begin(kIoColumns), std::end(kIoColumns));
    if (!series.Matching()) rules.resize(rules.size() - 2);
    auto out = std::make_unique<IoTable>(std::move(rows), std::move(rules));
    if (other) {
        out->notes.push_back("Frames stamped before the first frame or more than " + CountText(series.MaxIntervals()) +
                             " intervals after it are counted together in the \"other\" row.");
    }
    return out;
}

}  // namespace stats
