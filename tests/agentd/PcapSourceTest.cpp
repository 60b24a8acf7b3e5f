// Replay keeps a file's bytes, lengths and timestamps exactly, at the file's precision;
// a loop continues the stamps; pacing holds frames back until they are due.
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "AgentTestUtil.h"
#include "agentd/PcapSource.h"

namespace agentd {
namespace {

using test::Bytes;

struct FileFrame {
    long seconds;
    long fraction;  // microseconds or nanoseconds, as the file keeps them
    Bytes bytes;
    std::uint32_t wireLength;
};

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("agentd-" + std::to_string(::getpid()) + "-" + name)).string();
}

std::string WritePcap(const std::string& name, const std::vector<FileFrame>& frames, bool nano, int linkType = DLT_EN10MB) {
    const std::string path = TempPath(name);
    pcap_t* dead = pcap_open_dead_with_tstamp_precision(linkType, 65535,
                                                        nano ? PCAP_TSTAMP_PRECISION_NANO : PCAP_TSTAMP_PRECISION_MICRO);
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

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Section header, one interface (with an if_tsresol option when given), one enhanced packet.
Bytes Pcapng(std::optional<std::uint8_t> tsresol, std::uint64_t timestamp, const Bytes& frame) {
    Bytes out = test::Le32({0x0A0D0D0A, 28, 0x1A2B3C4D, 1 /* version 1.0 */, 0xFFFFFFFF, 0xFFFFFFFF, 28});
    const std::uint32_t idbLength = tsresol ? 32 : 20;
    Bytes idb = test::Le32({1, idbLength, 1 /* Ethernet, reserved 0 */, 65535});
    if (tsresol) {
        const Bytes opt = {9, 0, 1, 0, *tsresol, 0, 0, 0, 0, 0, 0, 0};  // if_tsresol, then opt_endofopt
        idb.insert(idb.end(), opt.begin(), opt.end());
    }
    const Bytes idbEnd = test::Le32({idbLength});
    idb.insert(idb.end(), idbEnd.begin(), idbEnd.end());
    out.insert(out.end(), idb.begin(), idb.end());
    const std::uint32_t padded = static_cast<std::uint32_t>((frame.size() + 3) / 4 * 4);
    const std::uint32_t epbLength = 32 + padded;
    Bytes epb = test::Le32({6, epbLength, 0, static_cast<std::uint32_t>(timestamp >> 32),
                            static_cast<std::uint32_t>(timestamp), static_cast<std::uint32_t>(frame.size()),
                            static_cast<std::uint32_t>(frame.size())});
    epb.insert(epb.end(), frame.begin(), frame.end());
    epb.resize(28 + padded, 0);
    const Bytes epbEnd = test::Le32({epbLength});
    epb.insert(epb.end(), epbEnd.begin(), epbEnd.end());
    out.insert(out.end(), epb.begin(), epb.end());
    return out;
}

std::vector<SourceFrame> ReadAll(FrameSource& source, std::size_t limit, std::vector<Bytes>& bytes) {
    std::vector<SourceFrame> frames;
    SourceFrame f;
    for (int spins = 0; spins < 100000 && frames.size() < limit; ++spins) {
        const auto outcome = source.Next(f);
        if (outcome == FrameSource::Outcome::End || outcome == FrameSource::Outcome::Failed) break;
        if (outcome != FrameSource::Outcome::Frame) continue;
        bytes.emplace_back(f.bytes.begin(), f.bytes.end());
        frames.push_back(f);
    }
    return frames;
}

TEST(PcapSourceTest, ReplayKeepsStampsLengthsAndBytesAtTheFilesPrecision) {
    const Bytes a = test::MakeFrame(6, 1, 80);
    const Bytes b = test::MakeFrame(17, 1, 53, false, 0, 200);
    struct Case {
        const char* name;
        bool nano;
        std::int64_t frequency;
        std::vector<FileFrame> frames;
        std::vector<std::int64_t> stamps;
    } cases[] = {
        {"microseconds", false, 1'000'000, {{100, 123456, a, 60}, {100, 999999, b, 5000}, {101, 5, a, 60}},
         {100'123'456, 100'999'999, 101'000'005}},
        {"nanoseconds", true, 1'000'000'000, {{1'700'000'000, 123456789, a, 60}, {1'700'000'001, 1, b, 5000}},
         {1'700'000'000'123'456'789, 1'700'000'001'000'000'001}},
    };
    for (const auto& c : cases) {
        const auto path = WritePcap(c.name, c.frames, c.nano);
        auto source = PcapSource::OpenReplay(path, {});
        ASSERT_TRUE(source) << c.name << ": " << source.Err().text;
        EXPECT_EQ(source.Value()->Frequency(), c.frequency) << c.name;
        EXPECT_TRUE(source.Value()->Lossless());
        std::vector<Bytes> bytes;
        const auto got = ReadAll(*source.Value(), 100, bytes);
        ASSERT_EQ(got.size(), c.frames.size()) << c.name;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].stamp, c.stamps[i]) << c.name << " frame " << i;
            EXPECT_EQ(got[i].seconds, static_cast<std::uint32_t>(c.frames[i].seconds)) << c.name;
            EXPECT_EQ(got[i].wireLength, c.frames[i].wireLength) << c.name;
            EXPECT_EQ(bytes[i], c.frames[i].bytes) << c.name;
        }
        std::filesystem::remove(path);
    }
}

TEST(PcapSourceTest, LoopContinuesTheStampsAfterTheLastFrame) {
    const Bytes a = test::MakeFrame(6, 1, 80);
    const auto path = WritePcap("loop", {{10, 100, a, 60}, {10, 400, a, 60}}, false);
    auto source = PcapSource::OpenReplay(path, {true, 0});
    ASSERT_TRUE(source);
    std::vector<Bytes> bytes;
    const auto got = ReadAll(*source.Value(), 6, bytes);
    ASSERT_EQ(got.size(), 6U);
    const std::int64_t expected[] = {10'000'100, 10'000'400, 10'000'401, 10'000'701, 10'000'702, 10'001'002};
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(got[i].stamp, expected[i]) << i;
    std::filesystem::remove(path);
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

TEST(PcapSourceTest, PcapngResolutionComesFromTheInterface) {
    const Bytes frame = test::MakeFrame(17, 1, 53);
    struct Case {
        const char* name;
        std::optional<std::uint8_t> tsresol;
        std::uint64_t raw;
        std::int64_t frequency;
        std::int64_t stamp;
    } cases[] = {
        {"default microseconds", std::nullopt, 1'600'000'000'123'456ULL, 1'000'000, 1'600'000'000'123'456},
        {"nanoseconds", 9, 1'600'000'000'123'456'789ULL, 1'000'000'000, 1'600'000'000'123'456'789},
        {"milliseconds stay exact in microseconds", 3, 1'600'000'000'123ULL, 1'000'000, 1'600'000'000'123'000},
    };
    for (const auto& c : cases) {
        const auto path = TempPath(std::string(c.name) + ".pcapng");
        WriteFile(path, Pcapng(c.tsresol, c.raw, frame));
        auto source = PcapSource::OpenReplay(path, {});
        ASSERT_TRUE(source) << c.name << ": " << source.Err().text;
        EXPECT_EQ(source.Value()->Frequency(), c.frequency) << c.name;
        std::vector<Bytes> bytes;
        const auto got = ReadAll(*source.Value(), 10, bytes);
        ASSERT_EQ(got.size(), 1U) << c.name;
        EXPECT_EQ(got[0].stamp, c.stamp) << c.name;
        EXPECT_EQ(bytes[0], frame) << c.name;
        std::filesystem::remove(path);
    }
}

TEST(PcapSourceTest, RefusesWhatItCannotReplay) {
    const auto garbage = TempPath("garbage.pcap");
    WriteFile(garbage, Bytes{'n', 'o', 't', ' ', 'a', ' ', 'c', 'a', 'p', 't', 'u', 'r', 'e'});
    const auto raw = WritePcap("raw-ip", {{1, 0, Bytes(20, 0x45), 20}}, false, DLT_RAW);
    const auto tiny = TempPath("tiny.pcap");
    WriteFile(tiny, Bytes{0xD4, 0xC3});
    for (const auto& path : {garbage, raw, tiny, TempPath("missing.pcap")}) {
        auto source = PcapSource::OpenReplay(path, {});
        EXPECT_FALSE(source) << path;
        std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace agentd
