// Replay keeps a file's bytes, lengths and timestamps exactly, at the file's precision;
// a loop continues the stamps; pacing holds frames back until they are due.
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <filesystem>
#include <string>

#include "AgentTestUtil.h"
#include "agentd/PcapSource.h"
#include "support/Files.h"
#include "support/Scratch.h"

namespace agentd {
namespace {

using test::Bytes;

struct FileFrame {
    long seconds;
    long fraction;  // microseconds or nanoseconds, as the file keeps them
    Bytes bytes;
    std::uint32_t wireLength;
};

std::string WritePcap(const std::string& name, const std::vector<FileFrame>& frames, bool nano,
                      int linkType = DLT_EN10MB) {
    const std::string path = support::TempPath(name);
    pcap_t* dead = pcap_open_dead_with_tstamp_precision(
        linkType, 65535, nano ? PCAP_TSTAMP_PRECISION_NANO : PCAP_TSTAMP_PRECISION_MICRO);
    pcap_dumper_t* out = pcap_dump_open(dead, path.c_str());
    for (const auto& f : frames) {
        pcap_pkthdr h{};
        h.ts.tv_sec = f.seconds;
        h.ts.tv_usec = f.fraction;
        h.caplen = static_cast<bpf_u_int32>(f.bytes.size());
        h.len = f.wireLength;
        pcap_dump(static_cast<u_char*>(static_cast<void*>(out)), &h, f.bytes.data());
    }
    pcap_dump_close(out);
    pcap_close(dead);
    return path;
}

TEST(PcapSourceTest, ReplayKeepsStampsLengthsAndBytesAtTheFilesPrecision) {
    const Bytes a = test::MakeFrame(6, 1, 80);
    const Bytes b = test::MakeFrame(17, 1, 53, false, 0, 200);
    struct Case {
        const char* name;
        bool nano;
        bool loop;
        std::vector<FileFrame> frames;
        std::int64_t frequency;
        std::vector<std::int64_t> stamps;  // a loop replays the frames over and over
    } cases[] = {
        {"microseconds",
         false,
         false,
         {{100, 123456, a, 60}, {100, 999999, b, 5000}, {101, 5, a, 60}},
         1'000'000,
         {100'123'456, 100'999'999, 101'000'005}},
        {"nanoseconds",
         true,
         false,
         {{1'700'000'000, 123456789, a, 60}, {1'700'000'001, 1, b, 5000}},
         1'000'000'000,
         {1'700'000'000'123'456'789, 1'700'000'001'000'000'001}},
        // Each pass follows the last frame of the one before by one tick.
        {"loop",
         false,
         true,
         {{10, 100, a, 60}, {10, 400, b, 5000}},
         1'000'000,
         {10'000'100, 10'000'400, 10'000'401, 10'000'701, 10'000'702, 10'001'002}},
    };
    for (const auto& c : cases) {
        const auto path = WritePcap(c.name, c.frames, c.nano);
        auto source = PcapSource::OpenReplay(path, {c.loop, 0});
        ASSERT_TRUE(source) << c.name << ": " << source.Err().text;
        EXPECT_EQ(source.Value()->Frequency(), c.frequency) << c.name;
        EXPECT_TRUE(source.Value()->Lossless());
        std::size_t got = 0;
        SourceFrame f;
        for (int spins = 0; spins < 100000 && got < c.stamps.size(); ++spins) {
            const auto outcome = source.Value()->Next(f);
            if (outcome == FrameSource::Outcome::End || outcome == FrameSource::Outcome::Failed) break;
            if (outcome != FrameSource::Outcome::Frame) continue;
            const auto& want = c.frames[got % c.frames.size()];
            EXPECT_EQ(f.stamp, c.stamps[got]) << c.name << " frame " << got;
            EXPECT_EQ(f.seconds, static_cast<std::uint32_t>(c.stamps[got] / c.frequency)) << c.name << " frame " << got;
            EXPECT_EQ(f.wireLength, want.wireLength) << c.name;
            EXPECT_EQ(Bytes(f.bytes.begin(), f.bytes.end()), want.bytes) << c.name;
            ++got;
        }
        EXPECT_EQ(got, c.stamps.size()) << c.name;
        if (!c.loop) {
            EXPECT_EQ(source.Value()->Next(f), FrameSource::Outcome::End) << c.name;
        }
        std::filesystem::remove(path);
    }
}

TEST(PcapSourceTest, PacedReplayHoldsAFrameUntilItIsDue) {
    const Bytes a = test::MakeFrame(6, 1, 80);
    const auto path = WritePcap("paced", {{10, 0, a, 60}, {3610, 0, a, 60}}, false);  // an hour apart
    auto source = PcapSource::OpenReplay(path, {false, 1});
    ASSERT_TRUE(source);
    SourceFrame f;
    EXPECT_EQ(source.Value()->Next(f), FrameSource::Outcome::Frame);
    EXPECT_EQ(source.Value()->Next(f), FrameSource::Outcome::Idle);
    std::filesystem::remove(path);
}

TEST(PcapSourceTest, RefusesWhatItCannotReplay) {
    const auto garbage = support::TempPath("garbage.pcap");
    support::WriteText(garbage, "not a capture");
    const auto raw = WritePcap("raw-ip", {{1, 0, Bytes(20, 0x45), 20}}, false, DLT_RAW);
    for (const auto& path : {garbage, raw, support::TempPath("missing.pcap")})
        EXPECT_FALSE(PcapSource::OpenReplay(path, {})) << path;
}

}  // namespace
}  // namespace agentd
