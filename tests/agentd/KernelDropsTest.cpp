// Frames the kernel lost before a live source could hand them over: the engine carries the
// source's count, and a stopped snapper's log line tells it beside the agent's own drops.
#include <gtest/gtest.h>

#include "AgentTestUtil.h"
#include "agentd/CaptureEngine.h"
#include "agentd/SnapperTable.h"
#include "support/WaitUntil.h"

namespace agentd {
namespace {

// A live interface that hands out `frames` frames and ends; its kernel counts grow with each
// frame handed out, so that only a count read after the last frame is the whole count.
class DroppingSource final : public FrameSource {
public:
    DroppingSource(std::size_t frames, SourceDrops perFrame)
        : m_frames(test::NumberedFrames(frames)),
          m_perFrame(perFrame) {}
    Outcome Next(SourceFrame& frame) override {
        if (m_next >= m_frames.size()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return Outcome::End;
        }
        frame.seconds = 1'700'000'000;
        frame.stamp = static_cast<std::int64_t>(m_next + 1);
        frame.bytes = m_frames[m_next++];
        frame.wireLength = static_cast<std::uint32_t>(frame.bytes.size());
        return Outcome::Frame;
    }
    std::int64_t Frequency() const noexcept override { return 1'000'000; }
    bool Lossless() const noexcept override { return false; }
    SourceDrops KernelDrops() override { return {m_perFrame.kernel * m_next, m_perFrame.interface * m_next}; }

private:
    std::vector<test::Bytes> m_frames;
    SourceDrops m_perFrame;
    std::size_t m_next = 0;
};

std::unique_ptr<CaptureEngine> FinishedEngine(std::size_t frames, SourceDrops perFrame, std::size_t queueFrames) {
    auto engine = std::make_unique<CaptureEngine>(std::make_unique<DroppingSource>(frames, perFrame), CaptureFilter{},
                                                  0, CaptureEngine::Limits{queueFrames, 1 << 20});
    EXPECT_TRUE(support::WaitUntil([&] { return engine->Finished(); }));
    return engine;
}

TEST(KernelDropsTest, TheEngineHasTheSourcesLastCountOnceItEnds) {
    const auto engine = FinishedEngine(10, {3, 1}, 100);
    EXPECT_EQ(engine->KernelDrops().kernel, 30U);
    EXPECT_EQ(engine->KernelDrops().interface, 10U);
    EXPECT_EQ(engine->Dropped(), 0U);
}

TEST(KernelDropsTest, AStoppedSnappersLineTellsWhoDroppedWhat) {
    const std::string agent = "; it dropped 3 frames the manager did not take in time";
    const std::string kernel = "; the kernel dropped 15 frames the agent did not read in time";
    const std::string interface = "; the interface dropped 5 frames before any capture saw them";
    struct Case {
        const char* name;
        SourceDrops perFrame;
        std::size_t queueFrames;
        std::string tail;  // what follows "stopped by <caller>" on the line
    } cases[] = {
        {"nothing lost", {0, 0}, 100, ""},
        {"the agent's queue overflowed", {0, 0}, 2, agent},
        {"the kernel's buffer overflowed", {3, 0}, 100, kernel},
        {"the interface dropped frames", {0, 1}, 100, interface},
        {"all of them", {3, 1}, 2, agent + kernel + interface},
    };
    const Caller caller{1, 0x7F000001, 40000, std::make_shared<AssociationGroup>(AssociationGroup{7})};
    for (const auto& c : cases) {
        SnapperTable table({});
        ASSERT_TRUE(table.Reserve(caller)) << c.name;
        const std::uint32_t handle = table.Add(caller, FinishedEngine(5, c.perFrame, c.queueFrames), 0);
        testing::internal::CaptureStderr();
        ASSERT_TRUE(table.Stop(handle, caller)) << c.name;
        const std::string log = testing::internal::GetCapturedStderr();
        const std::string stopped = "stopped by 127.0.0.1:40000";
        const auto from = log.find(stopped);
        ASSERT_NE(from, std::string::npos) << c.name << ": " << log;
        const auto tail = from + stopped.size();
        EXPECT_EQ(log.substr(tail, log.find('\n', tail) - tail), c.tail) << c.name;
    }
}

}  // namespace
}  // namespace agentd
