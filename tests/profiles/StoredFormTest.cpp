// A session profile's stored form, byte for byte, and the stored values that must not load.
#include <gtest/gtest.h>

#include "capture/TraceTestUtil.h"
#include "profiles/ProfileStore.h"

namespace {

using profiles::CSessionProfile;
using testutil::Bytes;
using testutil::Cat;
using testutil::Words;

Bytes Str(const std::string& s) {
    Bytes b = {static_cast<std::uint8_t>(s.size())};
    b.insert(b.end(), s.begin(), s.end());
    return b;
}

CSessionProfile OldDefault() {
    CSessionProfile p;
    p.traceFile = "C:\\temp\\test.dat";
    return p;
}

// Every field apart from its neighbours; the flags carry their own numbers so that their
// order shows (HTTP is stored before NetBios Name Service).
CSessionProfile Distinct() {
    CSessionProfile p;
    p.serverAddress = "srv";
    p.traceFile = "/t.tns";
    p.serverQueueLength = 7;
    p.limitMode = 3;
    p.sizeUnit = 2;
    p.timeUnit = 1;
    p.timeValue = 30;
    p.sizeValue = 10;
    auto& c = p.captureConfiguration;
    std::uint32_t v = 2;
    for (auto* f :
         {&c.ethernet, &c.ipv4, &c.tcp, &c.udp, &c.telnet, &c.ftp, &c.smtp, &c.pop3, &c.dns, &c.nbns, &c.http})
        *f = v++;
    c.filterType = 1;
    c.optionWord1 = 13;
    c.optionWord2 = 14;
    c.firstList = {33};
    c.secondList = {44, 45};
    return p;
}

const Bytes kDefaultGolden = Cat({Str("localhost"), Str("C:\\temp\\test.dat"), Words({60, 0, 0, 0, 0, 0}),
                                  Words({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1}), Bytes(8, 0)});
// queue, limit mode, size unit, time unit, then time (30) before size (10).
const Bytes kDistinctGolden = Cat({Str("srv"),
                                   Str("/t.tns"),
                                   Words({7, 3, 2, 1, 30, 10}),
                                   Words({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 11, 1, 13, 14}),
                                   {1, 0, 33, 0, 0, 0, 2, 0, 44, 0, 0, 0, 45, 0, 0, 0, 0, 0, 0, 0}});

TEST(StoredForm, GoldenBytes) {
    EXPECT_EQ(kDefaultGolden.size(), 119U);
    EXPECT_EQ(profiles::StoredForm(OldDefault()), kDefaultGolden);
    EXPECT_EQ(profiles::StoredForm(Distinct()), kDistinctGolden);
    CSessionProfile dump = Distinct();
    dump.dumpFile = 1;
    EXPECT_EQ(profiles::StoredForm(dump), kDistinctGolden) << "the dump-file flag is never stored";
}

// Stored positions are fixed by the golden bytes above, so bytes that store back unchanged
// went into every field and came out of it again.
TEST(StoredForm, EveryFieldRoundTrips) {
    auto loaded = profiles::LoadStoredForm(kDistinctGolden);
    ASSERT_TRUE(loaded) << loaded.Err().text;
    EXPECT_EQ(loaded.Value().timeValue, 30) << "time is stored before size";
    EXPECT_EQ(loaded.Value().sizeValue, 10);
    EXPECT_EQ(profiles::StoredForm(loaded.Value()), kDistinctGolden);
}

TEST(StoredForm, BadValuesLoadAsErrorsAndChangeNothing) {
    struct Case {
        const char* name;
        Bytes bytes;
    };
    const auto patched = [](std::size_t at, Bytes with) {
        Bytes b = kDefaultGolden;
        std::copy(with.begin(), with.end(), b.begin() + static_cast<long>(at));
        return b;
    };
    // In the default golden: strings end at 27, then queue, mode, size unit, time unit, time
    // value, size value, and the filter from 51 (its first list count at 111).
    std::vector<Case> cases = {
        {"one byte too many", Cat({kDefaultGolden, {0}})},
        {"string claiming 2 GiB", Cat({{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, Bytes(64, 'a')})},
        {"list count past the end",
         Cat({Bytes(kDefaultGolden.begin(), kDefaultGolden.end() - 8), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}})},
        {"filter of schema 2", patched(51, Words({2}))},
        {"limit mode 4", patched(31, Words({4}))},
        {"size unit 3", patched(35, Words({3}))},
        {"time unit -1", patched(39, Words({0xFFFFFFFF}))},
        {"negative time", patched(43, Words({0xFFFFFFFB}))},
        {"negative size", patched(47, Words({0x80000000}))},
    };
    for (std::size_t cut = 0; cut < kDefaultGolden.size(); ++cut)
        cases.push_back({"cut", Bytes(kDefaultGolden.begin(), kDefaultGolden.begin() + static_cast<long>(cut))});
    for (const auto& c : cases) {
        EXPECT_FALSE(profiles::LoadStoredForm(c.bytes).Ok()) << c.name << " " << c.bytes.size();
        CSessionProfile kept = Distinct();
        try {
            core::Archive ar(c.bytes);
            kept.Serialize(ar);
        } catch (const core::ArchiveException&) {}
        if (std::string(c.name) != "one byte too many") {  // that one is whole; only the value is too long
            EXPECT_EQ(profiles::StoredForm(kept), kDistinctGolden) << c.name << ": never half loaded";
        }
    }
}

}  // namespace
