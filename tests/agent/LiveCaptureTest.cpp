// A live capture end to end in this process: the agent replays a pcap file, the document
// opens the session and the capture thread writes the trace through a pause and a continue.
// Every frame of the file must come back exactly, numbered from 0 without a gap.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "agent/CaptureThread.h"
#include "agent/DocumentTestKit.h"
#include "agentd/PcapSource.h"
#include "capture/PcapExport.h"

namespace agent::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const std::string kSample = std::string(PALOMET_SOURCE_DIR) + "/tests/agentd/data/lan-600.pcap";

// The records of a pcap file (record header and frame bytes), in order.
std::vector<Bytes> PcapRecords(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const Bytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<Bytes> records;
    for (std::size_t at = 24; at + 16 <= file.size();) {
        const std::size_t length = testutil::Le32At(file, at + 8);
        records.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(at),
                             file.begin() + static_cast<std::ptrdiff_t>(at + 16 + length));
        at += 16 + length;
    }
    return records;
}

bool WaitFor(const std::function<bool()>& done) {
    const auto giveUp = std::chrono::steady_clock::now() + 60s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

TEST(LiveCapture, PauseAndContinueLoseNothingOfTheReplay) {
    // One peek of at most 100 frames a round, so the pause comes in the middle of the file.
    agentd::AgentConfig config;
    config.sources = [] { return agentd::PcapSource::OpenReplay(kSample, {}); };
    config.engineLimits.maxFrames = 100;
    InProcessAgent agent(std::move(config));
    TestApp app(agent.Port());
    const auto path = testutil::TempPath("live.tns");
    auto doc = app.Open("localhost", path);
    ASSERT_TRUE(doc);
    SteadyCaptureClock clock;
    CaptureThread::Options options;
    options.round = 50ms;
    options.peeksPerRound = 1;
    std::vector<std::string> messages;
    CaptureThread thread(*doc, doc->TakeTraceFile(), options, clock, {},
                         [&](const std::string& text, std::shared_ptr<platform::ManualResetEvent> answered) {
                             messages.push_back(text);
                             answered->Set();
                         });
    thread.Start();
    ASSERT_TRUE(WaitFor([&] { return thread.FrameCount() > 0; }));
    thread.TogglePause();
    ASSERT_TRUE(WaitFor([&] { return thread.Paused(); }));
    const std::uint32_t beforePause = thread.FrameCount();
    RecordProperty("framesBeforePause", static_cast<int>(beforePause));
    thread.TogglePause();
    // The second snapper replays the whole file; its last frames (20 or fewer) wait for the
    // drain at stop.
    ASSERT_TRUE(WaitFor([&] { return thread.FrameCount() + 20 >= beforePause + 600; }));
    ASSERT_TRUE(thread.Stop().Ok());
    EXPECT_TRUE(messages.empty()) << messages.front();
    doc.reset();

    // The frames are numbered from 0 on, across both snappers, as the agent numbered them.
    auto reader = testutil::OpenValid(path);
    ASSERT_EQ(reader.FrameCount(), beforePause + 600);
    capture::CPktSnap batch;
    std::uint32_t next = 0;
    for (auto moved = reader.Go(capture::TraceReader::Move::First, batch); moved && moved.Value();
         moved = reader.Go(capture::TraceReader::Move::Next, batch)) {
        EXPECT_EQ(reader.ScreenFirst(), next);
        for (const auto& frame : batch.Frames()) EXPECT_EQ(frame.GetFrameNumber(), next++);
    }
    EXPECT_EQ(next, beforePause + 600);

    // Byte for byte: the file's first frames up to the pause, then the whole file again.
    auto exporting = testutil::OpenValid(path);
    const auto exported = testutil::TempPath("live.pcap");
    ASSERT_TRUE(capture::ExportPcap(exporting, exported).Ok());
    const auto original = PcapRecords(kSample);
    ASSERT_EQ(original.size(), 600u);
    std::vector<Bytes> expected(original.begin(), original.begin() + beforePause);
    expected.insert(expected.end(), original.begin(), original.end());
    EXPECT_TRUE(PcapRecords(exported) == expected);
}

}  // namespace
}  // namespace agent::test
