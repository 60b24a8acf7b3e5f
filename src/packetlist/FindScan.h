// Find across screens: the next frame after a given one (or the one before it, searching
// back) whose summary at the list's level, or whose detail text, holds a piece of text,
// searched block by block on a thread of its own so that a window searching a million
// frames keeps answering, and cancelled at once by a new search or the window closing. The
// scan decodes with decoder objects of its own: the window's stay the window thread's.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "capture/TraceReader.h"
#include "filter/FrameFilter.h"
#include "packetlist/TextFind.h"

namespace packetlist {

class FindScan {
public:
    struct Request {
        std::string text;
        FindIn where = FindIn::Summary;
        std::uint32_t level = 0;
        std::uint32_t from = 0;  // the frame the search starts beside, itself not searched
        bool forward = true;
        bool matchCase = false;
        std::optional<filter::FrameFilter> filter;  // only the frames it selects, when given
    };
    struct Outcome {
        bool finished = false;               // found, or nothing more matches that way
        std::optional<std::uint32_t> frame;  // the frame found
        std::vector<std::string> errors;     // blocks that could not be read, passed over
    };

    // Starts at once. reader is the scan's own, not yet moved, with the file's counts
    // (validated, or given as a live capture knows them); notify (may be empty) is called on
    // the scan's thread once the search has finished.
    FindScan(capture::TraceReader reader, Request request, std::function<void()> notify = {});
    ~FindScan();
    FindScan(const FindScan&) = delete;
    FindScan& operator=(const FindScan&) = delete;

    // Stops the search and waits for its thread.
    void Cancel() noexcept;
    Outcome Result() const;
    // 0 to 100: screens searched of those that lie that way.
    int Progress() const noexcept;

private:
    void Run(const std::stop_token& stop);
    // The first match in the batch after (forward) or before from, searching that way.
    std::optional<std::uint32_t> Search(const capture::CPktSnap& batch, std::uint32_t first, TextFind& find,
                                        const std::stop_token& stop) const;

    capture::TraceReader m_reader;
    Request m_request;
    std::function<void()> m_notify;
    std::atomic<std::uint32_t> m_screensDone{0};
    std::atomic<std::uint32_t> m_screensToDo{0};
    mutable std::mutex m_mutex;
    Outcome m_outcome;
    std::jthread m_thread;  // last: it uses all of the above
};

// The status bar when a find reaches the end (or the start) with nothing more.
std::string NothingMoreFoundText(const std::string& text);

}  // namespace packetlist
