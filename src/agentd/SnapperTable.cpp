// The snapper table: ownership by connection, the grace period, fair memory shares and held peeks.
#include "SnapperTable.h"

#include <algorithm>
#include <vector>

#include "AccessList.h"
#include "FrameQueue.h"
#include "FreedMemory.h"
#include "Log.h"

namespace agentd {

namespace {

using Clock = std::chrono::steady_clock;

std::string Who(const Caller& caller) { return FormatPeer(caller.address, caller.port); }

std::string Snapper(std::uint32_t handle) { return "snapper " + std::to_string(handle); }

bool SameClient(const Caller& a, const Caller& b) noexcept { return a.client != nullptr && a.client == b.client; }

}  // namespace

SnapperTable::SnapperTable(const Limits& limits) : m_limits(limits) {}

SnapperTable::~SnapperTable() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_reaper.joinable()) m_reaper.join();
    StopAll();
}

void SnapperTable::StopAll() {
    std::map<std::uint32_t, Entry> entries;
    {
        std::lock_guard lock(m_mutex);
        entries.swap(m_entries);
    }
    for (auto& [handle, entry] : entries) StopOutside(handle, std::move(entry.engine), "the agent is stopping");
}

bool SnapperTable::Reserve(const Caller& caller) {
    std::lock_guard lock(m_mutex);
    if (m_entries.size() + m_reserved.size() >= m_limits.maxSnappers) {
        Log("no snapper for " + Who(caller) + ": " + std::to_string(m_limits.maxSnappers) + " are running");
        return false;
    }
    auto ofClient = static_cast<std::size_t>(
        std::count_if(m_reserved.begin(), m_reserved.end(), [&](const GroupRef& g) { return g == caller.client; }));
    for (const auto& [handle, entry] : m_entries) ofClient += SameClient(entry.owner, caller) ? 1 : 0;
    if (ofClient >= m_limits.maxPerClient) {
        Log("no snapper for " + Who(caller) + ": its client runs " + std::to_string(m_limits.maxPerClient) +
            ", the most one client may");
        return false;
    }
    m_reserved.push_back(caller.client);
    return true;
}

void SnapperTable::Release(const Caller& caller) {
    std::lock_guard lock(m_mutex);
    if (const auto found = std::find(m_reserved.begin(), m_reserved.end(), caller.client); found != m_reserved.end())
        m_reserved.erase(found);
}

std::uint32_t SnapperTable::Add(const Caller& caller, std::unique_ptr<CaptureEngine> engine, std::uint32_t firstFrame) {
    std::lock_guard lock(m_mutex);
    if (const auto found = std::find(m_reserved.begin(), m_reserved.end(), caller.client); found != m_reserved.end())
        m_reserved.erase(found);
    const std::uint32_t handle = m_nextHandle++;
    m_entries[handle] = Entry{std::move(engine), caller, std::nullopt, {}, 0};
    Rebalance();
    Log(Snapper(handle) + " started for " + Who(caller) + ", first frame " + std::to_string(firstFrame));
    return handle;
}

SnapperTable::Entry* SnapperTable::Owned(std::uint32_t handle, const Caller& caller) {
    const auto found = m_entries.find(handle);
    if (found == m_entries.end()) return nullptr;
    if (!SameClient(found->second.owner, caller)) {
        Log(Snapper(handle) + " refused to " + Who(caller) + ": it belongs to another client (" +
            Who(found->second.owner) + ")");
        return nullptr;
    }
    return &found->second;
}

std::shared_ptr<CaptureEngine> SnapperTable::Find(std::uint32_t handle, const Caller& caller) {
    std::lock_guard lock(m_mutex);
    Entry* entry = Owned(handle, caller);
    if (entry == nullptr) return nullptr;
    if (entry->owner.connection != caller.connection) {
        Log(Snapper(handle) + " taken over by " + Who(caller) +
            (entry->orphanedSince ? " after its connection dropped" : " from another connection of its client"));
        entry->owner = caller;
        entry->orphanedSince.reset();
        Rebalance();
    }
    return entry->engine;
}

bool SnapperTable::Stop(std::uint32_t handle, const Caller& caller) {
    std::shared_ptr<CaptureEngine> engine;
    {
        std::lock_guard lock(m_mutex);
        Entry* entry = Owned(handle, caller);
        if (entry == nullptr) return false;
        engine = std::move(entry->engine);
        m_entries.erase(handle);
        Rebalance();
    }
    StopOutside(handle, std::move(engine), "stopped by " + Who(caller));
    return true;
}

void SnapperTable::Disconnected(const Caller& caller) {
    std::lock_guard lock(m_mutex);
    const auto now = Clock::now();
    for (auto& [handle, entry] : m_entries) {
        if (entry.owner.connection != caller.connection || entry.orphanedSince) continue;
        entry.orphanedSince = now;
        Log(Snapper(handle) + " keeps capturing for " + std::to_string(m_limits.grace.count() / 1000) +
            " s: the connection from " + Who(caller) + " ended without stopping it");
        // Started with the first snapper that waits, long after the agent gave up its privileges:
        // a thread keeps the capabilities it was started with.
        if (!m_reaper.joinable() && !m_stop) m_reaper = std::thread([this] { Reap(); });
    }
    m_wake.notify_all();
}

void SnapperTable::SessionClosed(const Caller& caller) {
    std::vector<std::pair<std::uint32_t, std::shared_ptr<CaptureEngine>>> closing;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            if (SameClient(it->second.owner, caller)) {
                closing.emplace_back(it->first, std::move(it->second.engine));
                it = m_entries.erase(it);
            } else {
                ++it;
            }
        }
        Rebalance();
    }
    for (auto& [handle, engine] : closing)
        StopOutside(handle, std::move(engine), "stopped: " + Who(caller) + " closed its session");
}

void SnapperTable::HoldPeek(std::uint32_t handle, const Caller& caller, SharedStub reply, std::uint32_t frames) {
    std::lock_guard lock(m_mutex);
    const auto found = m_entries.find(handle);
    if (found == m_entries.end()) return;
    found->second.held = {std::move(reply), frames};
    found->second.heldFor = caller.connection;
    Rebalance();
}

std::optional<SnapperTable::HeldPeek> SnapperTable::Undelivered(std::uint32_t handle, const Caller& caller) {
    std::lock_guard lock(m_mutex);
    const Entry* entry = Owned(handle, caller);
    if (entry == nullptr || !entry->held.reply || entry->heldFor == caller.connection) return std::nullopt;
    return entry->held;
}

void SnapperTable::Confirm(const Caller& caller) {
    std::lock_guard lock(m_mutex);
    bool freed = false;
    for (auto& [handle, entry] : m_entries) {
        if (!entry.held.reply || entry.heldFor != caller.connection) continue;
        entry.held = {};
        freed = true;
    }
    if (freed) Rebalance();
}

bool SnapperTable::Holds(const Caller& caller) const {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [&](const auto& e) { return e.second.owner.connection == caller.connection; });
}

std::size_t SnapperTable::Running() const {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

std::size_t SnapperTable::Holding(const Entry& entry) {
    return entry.engine->UsedBytes() + entry.engine->SourceBytes() +
           (entry.held.reply ? entry.held.reply->Allocated() : 0);
}

std::size_t SnapperTable::UsedBytes() const {
    std::lock_guard lock(m_mutex);
    std::size_t used = 0;
    for (const auto& [handle, entry] : m_entries) used += Holding(entry);
    return used;
}

void SnapperTable::Rebalance() {
    std::map<std::uint64_t, std::size_t> perOwner;
    for (const auto& [handle, entry] : m_entries) ++perOwner[entry.owner.connection];
    const std::size_t budget =
        m_limits.budgetBytes > m_limits.kernelBytes ? m_limits.budgetBytes - m_limits.kernelBytes : 0;
    auto fair = [&](const Entry& entry) { return budget / perOwner.size() / perOwner[entry.owner.connection]; };
    // A kernel buffer comes out of the part set aside for them, when there is one.
    auto source = [&](const Entry& entry) { return m_limits.kernelBytes > 0 ? 0 : entry.engine->SourceBytes(); };
    // A part large enough to spare it also covers what the queue's chunks hold beyond their
    // records; a small one would be left with too little queue.
    auto chunks = [](std::size_t share) {
        return share >= 4 * FrameQueue::kMostOverhead ? FrameQueue::kMostOverhead : std::size_t{0};
    };
    auto fixed = [&](const Entry& entry, std::size_t share) {
        return source(entry) + (entry.held.reply ? entry.held.reply->Allocated() : 0) + chunks(share);
    };
    auto queueLimit = [&](const Entry& entry, std::size_t share) {
        const std::size_t set = fixed(entry, share);
        std::size_t queue = share > set ? (share - set) / 2 : 0;
        if (m_limits.snapperCap != 0) queue = std::min(queue, m_limits.snapperCap);
        return queue;
    };
    // A replay cannot drop frames: one that holds more than its part since the parts shrank
    // keeps it until its client peeks, and the others share what is left meanwhile. What it
    // holds at its most is its records, their chunks and its next peek, which copies out up
    // to its queue limit while the records it copied are still counted.
    auto most = [&](const Entry& entry) {
        const std::size_t share = fair(entry);
        return Holding(entry) - entry.engine->SourceBytes() + source(entry) + chunks(share) +
               std::min(entry.engine->QueuedBytes(), queueLimit(entry, share));
    };
    auto stale = [&](const Entry& entry) { return entry.engine->Lossless() && most(entry) > fair(entry); };
    std::size_t staleBytes = 0;
    std::size_t othersFair = 0;
    for (const auto& [handle, entry] : m_entries) {
        if (stale(entry))
            staleBytes += most(entry);
        else
            othersFair += fair(entry);
    }
    const double scale =
        staleBytes == 0 || othersFair == 0
            ? 1.0
            : static_cast<double>(budget > staleBytes ? budget - staleBytes : 0) / static_cast<double>(othersFair);
    for (auto& [handle, entry] : m_entries) {
        std::size_t share = fair(entry);
        if (!stale(entry)) share = std::min(share, static_cast<std::size_t>(static_cast<double>(share) * scale));
        entry.engine->SetByteLimit(queueLimit(entry, share));
    }
}

void SnapperTable::StopOutside(std::uint32_t handle, std::shared_ptr<CaptureEngine> engine, const std::string& why) {
    if (!engine) return;
    engine->Stop();
    std::string line = Snapper(handle) + " " + why;
    if (engine->Dropped() != 0)
        line += "; it dropped " + std::to_string(engine->Dropped()) + " frames the manager did not take in time";
    const SourceDrops lost = engine->KernelDrops();
    if (lost.kernel != 0)
        line += "; the kernel dropped " + std::to_string(lost.kernel) + " frames the agent did not read in time";
    if (lost.interface != 0)
        line += "; the interface dropped " + std::to_string(lost.interface) + " frames before any capture saw them";
    Log(line);
    engine.reset();
    GiveBackFreedMemory();
}

void SnapperTable::Reap() {
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        auto next = Clock::time_point::max();
        std::vector<std::pair<std::uint32_t, std::shared_ptr<CaptureEngine>>> expired;
        const auto now = Clock::now();
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            if (it->second.orphanedSince && *it->second.orphanedSince + m_limits.grace <= now) {
                expired.emplace_back(it->first, std::move(it->second.engine));
                it = m_entries.erase(it);
                continue;
            }
            if (it->second.orphanedSince) next = std::min(next, *it->second.orphanedSince + m_limits.grace);
            ++it;
        }
        if (!expired.empty()) {
            Rebalance();
            lock.unlock();
            for (auto& [handle, engine] : expired)
                StopOutside(handle, std::move(engine), "stopped: its client did not come back within the grace period");
            lock.lock();
            continue;
        }
        if (next == Clock::time_point::max())
            m_wake.wait(lock);
        else
            m_wake.wait_until(lock, next);
    }
}

}  // namespace agentd
