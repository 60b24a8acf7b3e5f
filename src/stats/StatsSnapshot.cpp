// Tables of the engine's counts, made on the worker's side.
#include "stats/StatsSnapshot.h"

namespace stats {

StatsSnapshot TakeSnapshot(const TrafficStats& engine, const tables::CPktEtherNums* vendors) {
    StatsSnapshot shot;
    shot.frames = engine.Frames();
    shot.bytes = engine.Bytes();
    shot.span = engine.Span();
    if (engine.Protocols() != nullptr) shot.protocols = MakeProtocolTable(*engine.Protocols());
    for (const TableKind kind : kAllTableKinds) {
        const auto at = static_cast<std::size_t>(kind);
        if (const auto* c = engine.Conversations(kind)) shot.conversations[at] = MakeConversationTable(kind, *c);
        if (const auto* e = engine.Endpoints(kind)) shot.endpoints[at] = MakeEndpointTable(kind, *e, vendors);
    }
    if (engine.Io() != nullptr) shot.io = std::make_shared<const IoSeries>(*engine.Io());
    return shot;
}

}  // namespace stats
