// Follows the numbers an agent gives the frames of one capture, batch by batch. An agent
// numbers every frame it captures, from the first frame number it was started with, whether
// or not it gets to deliver it: a batch whose first number runs ahead of the next one due
// follows frames the agent dropped (its queue overflowed) or the manager refused. And an
// agent whose connection dropped right after a peek hands that peek over again on the
// reconnect: it is told by its numbers being those of the last batch taken, not by how they
// compare with the file's count, which loss has put out of step with them.
#pragma once

#include <cstdint>

namespace capture {

class AgentFrameNumbers {
public:
    struct Verdict {
        bool repeat = false;     // the last batch taken, handed over again: nothing to write
        std::uint32_t lost = 0;  // frames numbered before this batch and never delivered
    };

    // A snapper was started and asked to number its first frame `first`.
    void Started(std::uint32_t first) noexcept;
    // Looks at the running snapper's next batch (its first frame's number and its frame
    // count) and, unless it is a repeat, takes it. A batch numbered behind the next number
    // due is an agent numbering its own way: taken, and counted from, with nothing lost.
    Verdict Take(std::uint32_t firstFrame, std::uint32_t frames) noexcept;
    // Every frame lost so far, over all snappers of the capture.
    std::uint64_t Lost() const noexcept { return m_lost; }

private:
    std::uint32_t m_next = 0;  // the number the next frame is due to carry
    bool m_taken = false;      // a batch of the running snapper was taken
    std::uint32_t m_lastFirst = 0;
    std::uint32_t m_lastFrames = 0;
    std::uint64_t m_lost = 0;
};

}  // namespace capture
