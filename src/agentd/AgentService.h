// What every connection of the capture agent shares: how to open a frame source, the
// limits, the table of running snappers, and the statuses the procedures return.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "CaptureEngine.h"
#include "FrameSource.h"
#include "SnapperTable.h"
#include "capture/CPktSnapConf.h"
#include "core/Result.h"

namespace agentd {

// Serialised frames one peek hands over at most: packed, they stay within the 64 MiB
// a client accepts even when nothing compresses.
inline constexpr std::size_t kMaxPeekSerialized = std::size_t{63} << 20;

struct AgentConfig {
    SourceFactory sources;
    CaptureEngine::Limits engineLimits;  // its byte limit is the snapper's share, set by the table
    SnapperTable::Limits snappers;
    // The agent compresses every frame it hands over, at level 1 unless told otherwise: fast
    // beats small.
    CaptureEngine::Packing packing{1, kMaxPeekSerialized};
    std::size_t maxConfigurationBytes = 64 * 1024;
};

// Loads a serialised capture configuration; bad schema, short bytes or trailing bytes are errors.
core::Result<capture::CPktSnapConf> LoadCaptureConfiguration(std::span<const std::uint8_t> bytes);

class AgentService {
public:
    explicit AgentService(AgentConfig config) : m_config(std::move(config)), m_snappers(m_config.snappers) {}
    const AgentConfig& Config() const noexcept { return m_config; }
    SnapperTable& Snappers() noexcept { return m_snappers; }
    std::size_t RunningEngines() const { return m_snappers.Running(); }

private:
    AgentConfig m_config;
    SnapperTable m_snappers;
};

}  // namespace agentd
