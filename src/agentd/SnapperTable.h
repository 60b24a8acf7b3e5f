// Every snapper the agent runs. A snapper belongs to its client, the association group the
// client's connection bound in, not to one TCP connection nor to an address: it answers only
// that client. When a connection drops, its snappers keep capturing (within their share of
// memory) for a grace period, and a reconnect that binds in the same group takes them over by
// their numbers; after the grace period they are stopped and freed. A call from anyone else
// naming a snapper is refused as if there were none, and logged.
//
// One memory budget covers everything a snapper holds: its queue, the peeks being made from it
// (its packers' buffers and the batches they packed ahead among them), the reply held for its
// client and its source's own buffer. Each connection gets an equal
// part, split evenly between its snappers, so a client that starts snappers and never peeks
// cannot starve the others. Half of what is left of a part beside the held reply and the
// source's buffer is the queue's; the other half is kept for the peek that empties it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "AssociationGroups.h"
#include "CaptureEngine.h"
#include "RpcInterface.h"

namespace agentd {

// Who makes a call: the connection, the address and port it comes from, and its client (the
// association group it bound in; none before its bind).
struct Caller {
    std::uint64_t connection = 0;
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    GroupRef client;
};

class SnapperTable {
public:
    struct Limits {
        std::size_t maxSnappers = 16;
        std::size_t maxPerClient = 8;  // so that no client takes every snapper
        std::size_t budgetBytes = std::size_t{256} << 20;
        // The part of the budget set aside for live captures' kernel buffers (KernelBuffers):
        // the snappers' parts are made from the rest, and a kernel buffer counts in none of them.
        std::size_t kernelBytes = 0;
        std::size_t snapperCap = 0;  // bytes one snapper may queue at most; 0: its whole share
        std::chrono::milliseconds grace{std::chrono::seconds(60)};
    };
    // A peek reply kept for a client that may not have read it.
    struct HeldPeek {
        SharedStub reply;
        std::uint32_t frames = 0;
    };

    explicit SnapperTable(const Limits& limits);
    ~SnapperTable();
    SnapperTable(const SnapperTable&) = delete;
    SnapperTable& operator=(const SnapperTable&) = delete;

    // A place for one more snapper of the caller's client (false when the most allowed run,
    // in all or for that client); Add fills it, Release gives it back unused.
    bool Reserve(const Caller& caller);
    void Release(const Caller& caller);
    std::uint32_t Add(const Caller& caller, std::unique_ptr<CaptureEngine> engine, std::uint32_t firstFrame);
    // The snapper under handle when the caller's client started it; the caller's connection
    // takes it over.
    std::shared_ptr<CaptureEngine> Find(std::uint32_t handle, const Caller& caller);
    bool Stop(std::uint32_t handle, const Caller& caller);
    // The connection ended without closing its session: its snappers wait for a reconnect.
    void Disconnected(const Caller& caller);
    // The client closed its session: its snappers stop now, whichever of its connections
    // started them.
    void SessionClosed(const Caller& caller);
    // The agent is stopping: every snapper stops now.
    void StopAll();

    // A peek reply is kept until the connection that got it makes another call (Confirm). If
    // that connection drops first, the client may not have read it: the first peek of its
    // reconnect gets the same reply again (Undelivered), and the client skips frames it has.
    void HoldPeek(std::uint32_t handle, const Caller& caller, SharedStub reply, std::uint32_t frames);
    std::optional<HeldPeek> Undelivered(std::uint32_t handle, const Caller& caller);
    void Confirm(const Caller& caller);

    // True while the connection holds a snapper.
    bool Holds(const Caller& caller) const;
    std::size_t Running() const;
    std::size_t UsedBytes() const;  // everything every snapper holds, as the budget counts it
    std::size_t Budget() const noexcept { return m_limits.budgetBytes; }

private:
    struct Entry {
        std::shared_ptr<CaptureEngine> engine;
        Caller owner;
        std::optional<std::chrono::steady_clock::time_point> orphanedSince;
        HeldPeek held;
        std::uint64_t heldFor = 0;  // the connection the held reply was last sent on
    };

    void Rebalance();                                // under m_mutex
    static std::size_t Holding(const Entry& entry);  // what the budget counts of one snapper
    // The entry under handle when the caller's client owns it; a call naming another
    // client's snapper is logged. Under m_mutex.
    Entry* Owned(std::uint32_t handle, const Caller& caller);
    void StopOutside(std::uint32_t handle, std::shared_ptr<CaptureEngine> engine, const std::string& why);
    void Reap();

    Limits m_limits;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<std::uint32_t, Entry> m_entries;
    std::vector<GroupRef> m_reserved;  // one per place reserved, for whose client
    std::uint32_t m_nextHandle = 1;
    bool m_stop = false;
    std::thread m_reaper;
};

}  // namespace agentd
