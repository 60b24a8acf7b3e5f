// Applies a filter expression to a whole trace file on a thread of its own, block by block in
// file order, so that a window filtering a million frames keeps answering: the window takes
// what was found so far (Take) when the scan tells it (notify) and shows the first screens
// of matches while the rest are still being looked at. A new expression or the window
// closing cancels the scan; it stops within a few thousand frames.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/TraceReader.h"
#include "filter/FrameFilter.h"
#include "packetlist/FilterIndex.h"

namespace packetlist {

class FilterScan {
public:
    struct Found {
        std::vector<ScreenMatches> screens;  // in file order
        std::vector<std::string> errors;     // blocks that could not be read, passed over
        std::uint32_t screensDone = 0;       // screens looked at, all told
        bool finished = false;               // every block was looked at (not cancelled)
    };

    // Starts at once. reader is the scan's own, validated and not yet moved; notify (may be
    // empty) is called on the scan's thread whenever there is something to take. A scan
    // from a frame other than 0 starts at the block holding it (the blocks a live capture
    // added since the last scan).
    FilterScan(capture::TraceReader reader, filter::FrameFilter filter, std::function<void()> notify = {},
               std::uint32_t fromFrame = 0);
    ~FilterScan();
    FilterScan(const FilterScan&) = delete;
    FilterScan& operator=(const FilterScan&) = delete;

    // Stops the scan and waits for its thread; what it found stays to be taken.
    void Cancel() noexcept;
    // What was found since the last call.
    Found Take();
    // 0 to 100: screens looked at of the file's blocks.
    int Progress() const noexcept;

private:
    void Run(std::stop_token stop);
    void Publish(ScreenMatches screen, std::vector<std::string> errors, bool finished);

    capture::TraceReader m_reader;
    filter::FrameFilter m_filter;
    std::function<void()> m_notify;
    std::uint32_t m_fromFrame;
    std::uint32_t m_blockCount;
    std::atomic<std::uint32_t> m_screensDone{0};
    std::mutex m_mutex;
    Found m_found;
    std::jthread m_thread;  // last: it uses all of the above
};

}  // namespace packetlist
