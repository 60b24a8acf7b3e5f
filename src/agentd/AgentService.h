// What every connection of the capture agent shares: how to open a frame source, the
// limits, the count of running snappers, and the statuses the procedures return.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

#include "CaptureEngine.h"
#include "FrameSource.h"
#include "capture/CPktSnapConf.h"
#include "core/Result.h"

namespace agentd {

// Statuses the procedures return (Win32 and RPC codes a Windows manager understands).
inline constexpr std::uint32_t kStatusOk = 0;
inline constexpr std::uint32_t kStatusInvalidHandle = 6;       // no such snapper on this connection
inline constexpr std::uint32_t kStatusGenFailure = 31;         // the snapper's source failed
inline constexpr std::uint32_t kStatusInvalidParameter = 87;   // the capture configuration is unusable
inline constexpr std::uint32_t kStatusOpenFailed = 110;        // the frame source could not be opened
inline constexpr std::uint32_t kStatusServerTooBusy = 1723;    // too many snappers running

struct AgentConfig {
    SourceFactory sources;
    CaptureEngine::Limits engineLimits;
    std::size_t maxEngines = 16;                 // across all connections
    std::size_t maxPeekBytes = 16 * 1024 * 1024;  // serialised frames per peek
    std::size_t maxConfigurationBytes = 64 * 1024;
    int packLevel = 1;  // the agent compresses every frame it hands over: fast beats small
};

// Loads a serialised capture configuration; bad schema, short bytes or trailing bytes are errors.
core::Result<capture::CPktSnapConf> LoadCaptureConfiguration(std::span<const std::uint8_t> bytes);

class AgentService {
public:
    explicit AgentService(AgentConfig config) : m_config(std::move(config)) {}
    const AgentConfig& Config() const noexcept { return m_config; }

    bool ReserveEngine() noexcept;
    void ReleaseEngine() noexcept { m_engines.fetch_sub(1); }
    std::uint32_t NewHandle() noexcept { return m_nextHandle.fetch_add(1); }
    std::size_t RunningEngines() const noexcept { return m_engines.load(); }

private:
    AgentConfig m_config;
    std::atomic<std::size_t> m_engines{0};
    std::atomic<std::uint32_t> m_nextHandle{1};
};

}  // namespace agentd
