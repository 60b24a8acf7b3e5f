// Agent frame numbers: repeats and gaps. Numbers are 32-bit and may wrap, so "ahead" is a
// forward distance of less than half the number space.
#include "capture/AgentFrameNumbers.h"

namespace capture {

namespace {
constexpr std::uint32_t kHalfOfTheNumbers = 0x80000000u;
}  // namespace

void AgentFrameNumbers::Started(std::uint32_t first) noexcept {
    m_next = first;
    m_taken = false;
}

AgentFrameNumbers::Verdict AgentFrameNumbers::Take(std::uint32_t firstFrame, std::uint32_t frames) noexcept {
    if (m_taken && firstFrame == m_lastFirst && frames == m_lastFrames) return {true, 0};
    const std::uint32_t ahead = firstFrame - m_next;
    const std::uint32_t lost = ahead < kHalfOfTheNumbers ? ahead : 0;
    m_lost += lost;
    m_next = firstFrame + frames;
    m_taken = true;
    m_lastFirst = firstFrame;
    m_lastFrames = frames;
    return {false, lost};
}

}  // namespace capture
