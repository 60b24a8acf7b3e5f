// pcap interop: the round trip keeps every frame exactly; precision, link type and timestamps
// are handled as the import and export promise.
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "TraceTestUtil.h"
#include "capture/PcapExport.h"
#include "capture/PcapImport.h"
#include "capture/PcapLinkTypes.h"
#include "capture/PcapPrecision.h"
#include "support/Programs.h"

namespace {

using testutil::Bytes;

struct Packet {
    std::int64_t sec, nsec;
    std::uint32_t caplen, len;
    Bytes data;
    bool operator==(const Packet&) const = default;
};

std::vector<Packet> ReadPcap(const std::string& path) {
    char err[PCAP_ERRBUF_SIZE];
    pcap_t* p = pcap_open_offline_with_tstamp_precision(path.c_str(), PCAP_TSTAMP_PRECISION_NANO, err);
    EXPECT_NE(p, nullptr) << err;
    std::vector<Packet> out;
    pcap_pkthdr* h = nullptr;
    const std::uint8_t* d = nullptr;
    while (p != nullptr && pcap_next_ex(p, &h, &d) == 1)
        out.push_back({h->ts.tv_sec, h->ts.tv_usec, h->caplen, h->len, Bytes(d, d + h->caplen)});
    if (p != nullptr) pcap_close(p);
    return out;
}

void WritePcap(const std::string& path, int link, int precision, const std::vector<Packet>& packets) {
    pcap_t* dead = pcap_open_dead_with_tstamp_precision(link, 65535, precision);
    pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
    ASSERT_NE(dumper, nullptr);
    for (const auto& pk : packets) {
        pcap_pkthdr h{};
        h.ts.tv_sec = pk.sec;
        h.ts.tv_usec = static_cast<suseconds_t>(pk.nsec);
        h.caplen = pk.caplen;
        h.len = pk.len;
        pcap_dump(static_cast<u_char*>(static_cast<void*>(dumper)), &h, pk.data.data());
    }
    pcap_dump_close(dumper);
    pcap_close(dead);
}

// Imports in into TempPath("rt.tns"), exports that again and reads the export back.
std::vector<Packet> RoundTrip(const std::string& in, std::uint32_t blockFrames, std::int64_t expectFrequency) {
    const auto tns = support::TempPath("rt.tns");
    const auto out = support::TempPath("rt.pcap");
    capture::PcapImportOptions options;
    options.blockFrames = blockFrames;
    auto imported = capture::ImportPcap(in, tns, options);
    EXPECT_TRUE(imported.Ok()) << imported.Err().text;
    EXPECT_EQ(imported.Value().frequency, expectFrequency);
    auto reader = testutil::OpenValid(tns);
    EXPECT_EQ(reader.FrameCount(), imported.Value().frames);
    EXPECT_EQ(reader.BlockCount(), (imported.Value().frames + blockFrames - 1) / blockFrames);
    auto exported = capture::ExportPcap(reader, out);
    EXPECT_TRUE(exported.Ok()) << exported.Err().text;
    EXPECT_EQ(exported.Value().nanosecond, expectFrequency == 1'000'000'000);
    EXPECT_EQ(testutil::Le32At(support::ReadBytes(out), 0), exported.Value().nanosecond ? 0xA1B23C4Du : 0xA1B2C3D4u);
    return ReadPcap(out);
}

TEST(Pcap, RoundTripKeepsEveryFrame) {
    const std::string in = std::string(PALOMET_SOURCE_DIR) + "/samples/sample.pcap";
    const auto original = ReadPcap(in);
    ASSERT_EQ(original.size(), 400u) << "six full blocks of 64 and a short one";
    EXPECT_TRUE(RoundTrip(in, 64, 1'000'000) == original);
}

TEST(Pcap, NanosecondCapturesKeepTheirNanoseconds) {
    const auto in = support::TempPath("nano.pcap");
    const std::vector<Packet> packets = {
        {1'700'000'000, 123'456'789, 14, 60, Bytes(14, 0xAB)},
        {1'700'000'000, 999'999'999, 20, 20, Bytes(20, 0xCD)},
        {1'700'000'001, 1, 1, 1514, Bytes(1, 0xEF)},
        {1'700'000'002, 0, 0, 60, Bytes()},  // nothing captured of it
    };
    WritePcap(in, DLT_EN10MB, PCAP_TSTAMP_PRECISION_NANO, packets);
    EXPECT_TRUE(RoundTrip(in, 2, 1'000'000'000) == packets);
    // The frame records: stamp = seconds * 1e9 + nanoseconds, capture time = seconds.
    auto reader = testutil::OpenValid(support::TempPath("rt.tns"));
    capture::CPktSnap batch;
    ASSERT_TRUE(reader.GoToFrame(2, 0, batch).Ok());
    ASSERT_EQ(batch.GetFrameCount(), 2u);
    const auto& frame = batch.GetFrame(0);
    EXPECT_EQ(frame.GetStamp(), 1'700'000'001'000'000'001);
    EXPECT_EQ(frame.GetCaptureTime(), 1'700'000'001u);
    EXPECT_EQ(batch.GetFrame(1).GetDataLength(), 0u);
    EXPECT_EQ(batch.GetFrame(1).GetTotalLength(), 60u);
}

int LinkTypeOf(const std::string& path) {
    char err[PCAP_ERRBUF_SIZE];
    pcap_t* p = pcap_open_offline(path.c_str(), err);
    const int link = p != nullptr ? pcap_datalink(p) : -1;
    if (p != nullptr) pcap_close(p);
    return link;
}

// Linux cooked and raw IP captures: each frame is kept under the link code its decoders
// start from, and the export writes the capture's own link type and bytes back.
TEST(Pcap, CookedAndRawCapturesComeBackAsTheyWere) {
    const struct {
        const char* file;
        int link;
        std::vector<std::uint32_t> codes;
    } cases[] = {
        {"cooked_sll.pcap", DLT_LINUX_SLL, {6, 6, 6}},
        {"cooked_sll2.pcap", DLT_LINUX_SLL2, {7, 7}},
        {"raw_ip.pcap", DLT_RAW, {11, 12}},
    };
    for (const auto& c : cases) {
        const std::string in = std::string(PALOMET_TEST_DATA) + "/pcap/" + c.file;
        EXPECT_TRUE(RoundTrip(in, 2, 1'000'000) == ReadPcap(in)) << c.file;
        EXPECT_EQ(LinkTypeOf(support::TempPath("rt.pcap")), c.link) << c.file;
        auto reader = testutil::OpenValid(support::TempPath("rt.tns"));
        std::vector<std::uint32_t> codes;
        for (std::uint32_t i = 0; i < reader.FrameCount(); i += 2) {
            capture::CPktSnap batch;
            ASSERT_TRUE(reader.GoToFrame(i, 0, batch).Ok());
            for (const auto& frame : batch.Frames()) codes.push_back(frame.GetLinkProtocol());
        }
        EXPECT_EQ(codes, c.codes) << c.file;
    }
}

// A raw IP frame goes to the decoder its version nibble names; anything that is not IPv6,
// an empty frame included, to IPv4, whose decoder shows it as damaged rather than losing it.
TEST(Pcap, RawIpFramesTakeTheCodeOfTheirVersion) {
    const struct {
        int dlt;
        Bytes frame;
        std::uint32_t code;
    } cases[] = {
        {DLT_RAW, {0x45, 0}, 11}, {DLT_RAW, {0x60, 0}, 12}, {DLT_RAW, {0x6f}, 12},  {DLT_RAW, {0x50, 0}, 11},
        {DLT_RAW, {}, 11},        {DLT_IPV4, {0x60}, 11},   {DLT_IPV6, {0x45}, 12}, {DLT_LINUX_SLL2, {0x60}, 7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(capture::LinkCodeOf(c.dlt, c.frame), c.code) << c.dlt << " " << c.frame.size();
        EXPECT_TRUE(capture::CanImportLinkType(c.dlt));
        EXPECT_EQ(capture::PcapLinkTypeOf(c.code), c.code == 7 ? DLT_LINUX_SLL2 : DLT_RAW);
    }
    EXPECT_FALSE(capture::PcapLinkTypeOf(41).has_value());
}

// One pcap file holds one link type: the first frame that has one decides, and frames of any
// other (or of none) are counted as left out.
TEST(Pcap, ExportWritesTheFirstFramesLinkTypeAndCountsTheRest) {
    capture::CPktSnap batch;
    batch.SetFrequency(1'000'000);
    for (const std::uint32_t code : {99U, 6U, 4U, 6U, 12U}) {
        auto frame = testutil::EthernetFrame(Bytes(40, static_cast<std::uint8_t>(code)));
        frame.SetLinkProtocol(code);
        batch.AddFrame(frame);
    }
    const auto trace = testutil::WriteBlock(support::TempPath("mixed.tns"), batch);
    const auto out = support::TempPath("mixed.pcap");
    auto reader = testutil::OpenValid(trace);
    const auto stats = capture::ExportPcap(reader, out);
    ASSERT_TRUE(stats.Ok()) << stats.Err().text;
    EXPECT_EQ(stats.Value().linkType, DLT_LINUX_SLL);
    EXPECT_EQ(stats.Value().frames, 2u);
    EXPECT_EQ(stats.Value().skipped, 3u);
    EXPECT_EQ(LinkTypeOf(out), DLT_LINUX_SLL);
    EXPECT_EQ(ReadPcap(out).size(), 2u);
}

TEST(Pcap, ImportRefusesWhatItCannotKeep) {
    const auto radio = support::TempPath("radio.pcap");
    WritePcap(radio, DLT_IEEE802_11_RADIO, PCAP_TSTAMP_PRECISION_MICRO, {{1, 0, 20, 20, Bytes(20, 0x45)}});
    const auto junk = support::TempPath("junk.pcap");
    support::WriteBytes(junk, Bytes(100, 0x42));
    const std::pair<std::string, const char*> cases[] = {
        {radio, "cannot be imported; Ethernet, Linux cooked (SLL, SLL2) and raw IP captures can"},
        {junk, "not a pcap or pcapng file"},
        {"/nonexistent.pcap", "cannot be opened"}};
    for (const auto& [in, error] : cases) {
        const auto out = support::TempPath("refused.tns");
        auto result = capture::ImportPcap(in, out, {});
        ASSERT_FALSE(result.Ok()) << in;
        EXPECT_NE(result.Err().text.find(error), std::string::npos) << result.Err().text;
        EXPECT_FALSE(std::filesystem::exists(out)) << "no half-written trace file is left";
    }
}

// A pcapng section and one interface, with if_tsresol set to resolution unless it is 0.
Bytes Pcapng(std::uint8_t resolution) {
    Bytes b = {0x0A, 0x0D, 0x0D, 0x0A, 28,   0,    0,    0,    0x4D, 0x3C, 0x2B, 0x1A, 1, 0,
               0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 28,   0,    0, 0};
    const Bytes idb = resolution == 0 ? Bytes{1, 0, 0, 0, 20, 0, 0, 0, 1, 0, 0, 0, 0, 0, 4, 0, 20, 0, 0, 0}
                                      : Bytes{1, 0, 0, 0, 32,         0, 0, 0, 1, 0, 0, 0, 0,  0, 4, 0,
                                              9, 0, 1, 0, resolution, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0};
    b.insert(b.end(), idb.begin(), idb.end());
    return b;
}

TEST(Pcap, NativePrecisionFromTheFileHead) {
    struct Case {
        const char* name;
        Bytes head;
        int expect;  // 1 finer than us, 0 not, -1 error
    };
    const Case cases[] = {
        {"pcap us", {0xD4, 0xC3, 0xB2, 0xA1, 2, 0}, 0},
        {"pcap us big-endian", {0xA1, 0xB2, 0xC3, 0xD4, 0, 2}, 0},
        {"pcap ns", {0x4D, 0x3C, 0xB2, 0xA1, 2, 0}, 1},
        {"pcap ns big-endian", {0xA1, 0xB2, 0x3C, 0x4D}, 1},
        {"pcapng default", Pcapng(0), 0},
        {"pcapng 10^-6", Pcapng(6), 0},
        {"pcapng 10^-9", Pcapng(9), 1},
        {"pcapng 2^-20", Pcapng(0x94), 1},
        {"pcapng 2^-10", Pcapng(0x8A), 0},
        {"pcapng cut short",
         [] {
             Bytes b = Pcapng(9);
             b.resize(40);
             return b;
         }(),
         0},
        {"text", Bytes(16, 'a'), -1},
        {"two bytes", {0xD4, 0xC3}, -1},
    };
    for (const auto& c : cases) {
        auto r = capture::HasSubMicrosecondStamps(c.head);
        ASSERT_EQ(r.Ok(), c.expect >= 0) << c.name;
        if (r.Ok()) {
            EXPECT_EQ(r.Value(), c.expect == 1) << c.name;
        }
    }
}

TEST(Pcap, ClockUsesEpochStampsAsTheyAreAndAnchorsCounterStamps) {
    using Time = std::pair<std::int64_t, std::int64_t>;
    auto convert = [](capture::PcapClock& clock, std::uint32_t captureTime, std::int64_t stamp, std::int64_t freq) {
        const auto t = clock.Convert(captureTime, stamp, freq);
        return Time{t.seconds, t.fraction};
    };
    capture::PcapClock micro(1'000'000);
    EXPECT_EQ(convert(micro, 1000, 1000'250'000, 1'000'000), Time(1000, 250'000));
    capture::PcapClock nano(1'000'000'000);
    EXPECT_EQ(convert(nano, 1000, 1000'000'001, 1'000'000), Time(1000, 1000)) << "microsecond ticks as nanoseconds";
    // An agent's counter: the first frame takes its capture time, later ones follow the counter.
    capture::PcapClock counter(1'000'000);
    EXPECT_EQ(convert(counter, 5000, 77'000'000, 10'000'000), Time(5000, 0));
    EXPECT_EQ(convert(counter, 5001, 77'000'000 + 15'000'000, 10'000'000), Time(5001, 500'000));
}

// Writing over an output happens only once it is complete, and never over the input.
TEST(Pcap, OutputsAreReplacedOnlyWhenComplete) {
    const auto trace = testutil::WriteTrace("three.tns", {3, 3, 3});
    const auto link = support::TempPath("link.tns");
    std::filesystem::remove(link);
    std::filesystem::create_hard_link(trace, link);
    const auto spoilt = testutil::WriteTrace("spoilt.tns", {3, 3, 3}, [](std::size_t i, Bytes& b) {
        if (i == 1) testutil::PutLe32(b, 16, 7);  // block 2's first frame gets schema word 7
    });
    const auto cut = support::TempPath("cut.pcap");  // a capture cut inside its second record
    WritePcap(cut, DLT_EN10MB, PCAP_TSTAMP_PRECISION_MICRO,
              {{1, 0, 60, 60, Bytes(60, 1)}, {2, 0, 60, 60, Bytes(60, 2)}});
    support::WriteBytes(cut, [&] {
        auto b = support::ReadBytes(cut);
        b.resize(b.size() - 20);
        return b;
    }());
    const auto exportOf = [](const std::string& in) {
        return [in](const std::string& out) {
            auto r = testutil::OpenValid(in);
            return testutil::ErrorOf(capture::ExportPcap(r, out));
        };
    };
    const auto importOf = [](const std::string& in) {
        return [in](const std::string& out) { return testutil::ErrorOf(capture::ImportPcap(in, out, {})); };
    };
    const struct {
        std::string out;
        std::function<std::string(const std::string&)> write;
        const char* error;  // nullptr: succeeds
    } cases[] = {
        {cut, importOf(cut), "is the capture being imported"},
        {trace, exportOf(trace), "is the trace file being exported"},
        {link, exportOf(trace), "is the trace file being exported"},
        {support::TempPath("kept.pcap"), exportOf(spoilt), "block 2"},
        {support::TempPath("kept.tns"), importOf(cut), "cut.pcap"},
        {"/dev/null", exportOf(trace), nullptr},  // a device is written, never replaced
    };
    for (const auto& c : cases) {
        if (c.out.find("kept") != std::string::npos) support::WriteBytes(c.out, Bytes{'o', 'l', 'd'});
        const Bytes before = support::ReadBytes(c.out);
        const std::string error = c.write(c.out);
        if (c.error == nullptr) {
            EXPECT_EQ(error, "") << c.out;
            EXPECT_TRUE(std::filesystem::is_character_file(c.out));
            continue;
        }
        EXPECT_NE(error.find(c.error), std::string::npos) << c.out << ": " << error;
        EXPECT_EQ(support::ReadBytes(c.out), before) << c.out;
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(c.out).parent_path()))
            EXPECT_NE(entry.path().filename().string().rfind("." + std::filesystem::path(c.out).filename().string(), 0),
                      0U);
    }
}

TEST(Pcap, FramesPastTheSnapLengthAreCutSoEveryReaderTakesTheFile) {
    capture::CPktSnap batch;
    batch.AddFrame(testutil::EthernetFrame(Bytes(300000, 0x5A)));
    batch.AddFrame(testutil::EthernetFrame(Bytes(60, 0x01)));
    auto reader = testutil::OpenValid(testutil::WriteBlock(support::TempPath("long.tns"), batch));
    const auto out = support::TempPath("long.pcap");
    auto exported = capture::ExportPcap(reader, out);
    ASSERT_TRUE(exported.Ok()) << exported.Err().text;
    EXPECT_EQ(exported.Value().cut, 1u);
    const auto packets = ReadPcap(out);
    ASSERT_EQ(packets.size(), 2u) << "libpcap reads the whole file";
    EXPECT_EQ(packets[0].caplen, capture::kPcapSnapLength);
    EXPECT_EQ(packets[0].len, 300000u) << "the wire length is kept";
    EXPECT_EQ(packets[1].data, Bytes(60, 0x01));
    const auto tcpdump = support::Run("tcpdump -n -r " + out);
    EXPECT_EQ(tcpdump.status, 0) << "and so does tcpdump: " << tcpdump.err;
}

}  // namespace
