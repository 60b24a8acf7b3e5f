// A session profile's stored form, byte for byte, and the stored values that must not load.
#include <gtest/gtest.h>

#include <functional>

#include "capture/TraceTestUtil.h"
#include "profiles/ProfileForm.h"
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

// A value that loads stores back to its own bytes, so every refused one names the field
// that would not: a string or count in a longer length form than it needs, a nested record
// of another schema, a limit the limit mode leaves off.
TEST(StoredForm, BadValuesLoadAsErrorsNamingTheFieldAndChangeNothing) {
    struct Case {
        const char* name;
        Bytes bytes;
        const char* field;  // what the error text starts with
    };
    const auto patched = [](std::size_t at, Bytes with) {
        Bytes b = kDefaultGolden;
        std::copy(with.begin(), with.end(), b.begin() + static_cast<long>(at));
        return b;
    };
    const auto spliced = [](std::size_t at, std::size_t drop, const Bytes& with) {
        return Cat({Bytes(kDefaultGolden.begin(), kDefaultGolden.begin() + static_cast<long>(at)), with,
                    Bytes(kDefaultGolden.begin() + static_cast<long>(at + drop), kDefaultGolden.end())});
    };
    // In the default golden: strings end at 27, then queue, mode, size unit, time unit, time
    // value, size value, and the filter from 51 (its first list count at 111, the first
    // address list's at 115).
    std::vector<Case> cases = {
        {"one byte too many", Cat({kDefaultGolden, {0}}), "1 bytes past the profile"},
        {"string claiming 2 GiB", Cat({{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, Bytes(64, 'a')}), "server address"},
        {"list count past the end",
         Cat({Bytes(kDefaultGolden.begin(), kDefaultGolden.end() - 8), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}}),
         "capture filter: first 32-bit list"},
        {"filter of schema 2", patched(51, Words({2})), "capture filter"},
        {"limit mode 4", patched(31, Words({4})), "limit mode"},
        {"size unit 3", patched(35, Words({3})), "size unit"},
        {"time unit -1", patched(39, Words({0xFFFFFFFF})), "time unit"},
        {"negative time", patched(43, Words({0xFFFFFFFB})), "time value"},
        {"negative size", patched(47, Words({0x80000000})), "size value"},
        {"size value without a size limit", patched(47, Words({100})), "size value"},
        {"time unit beside a size limit only", patched(31, Words({1, 0, 1})), "time unit"},
        {"server address length in 7 bytes", spliced(0, 1, {0xFF, 0xFF, 0xFF, 9, 0, 0, 0}), "server address"},
        {"trace file length in 3 bytes", spliced(10, 1, {0xFF, 16, 0}), "trace file"},
        {"list count in 6 bytes", spliced(111, 2, {0xFF, 0xFF, 1, 0, 0, 0, 7, 0, 0, 0}),
         "capture filter: first 32-bit list"},
        {"address of schema 0", spliced(115, 2, Cat({{1, 0}, Words({0}), Bytes(6, 0)})),
         "capture filter: first address list: address 0"},
        // Found by fuzzing: an empty server address in the 7-byte form and an address of
        // schema 0, whose six bytes the next fields took, made up the same length.
        {"fuzzed: two rewrites of one length",
         Cat({{0xFF, 0xFF, 0xFF, 0, 0, 0, 0},
              Str("localhost"),
              Words({0xFFFFFF, 0, 0, 0, 0, 0, 1}),
              Words({1, 1, 1, 1, 0x55000001, 0x100A9, 0x10000, 0x10000, 0x2C, 1, 1, 1, 0, 0}),
              {0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}}),
         "server address"},
    };
    for (std::size_t cut = 0; cut < kDefaultGolden.size(); ++cut)
        cases.push_back({"cut", Bytes(kDefaultGolden.begin(), kDefaultGolden.begin() + static_cast<long>(cut)), ""});
    for (const auto& c : cases) {
        const auto loaded = profiles::LoadStoredForm(c.bytes);
        ASSERT_FALSE(loaded.Ok()) << c.name << " " << c.bytes.size();
        EXPECT_EQ(loaded.Err().text.rfind(c.field, 0), 0U) << c.name << ": " << loaded.Err().text;
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

// The sheet shows a flag as a check box and the filter type as a combo box entry; saving a
// profile from the sheet after an edit of some other setting leaves every setting the edit
// did not touch as it was stored, even where the sheet cannot show the stored number.
TEST(StoredForm, ASaveFromTheSheetKeepsWhatTheEditDidNotTouch) {
    struct Case {
        const char* name;
        std::function<void(CSessionProfile&)> stored;
    };
    const Case cases[] = {
        {"flags 2 to 12, limits of both kinds", [](CSessionProfile&) {}},
        {"filter type 5", [](CSessionProfile& p) { p.captureConfiguration.filterType = 5; }},
        {"no filter type", [](CSessionProfile& p) { p.captureConfiguration.filterType = 0xFFFFFFFF; }},
        {"empty trace file", [](CSessionProfile& p) { p.traceFile.clear(); }},
        {"queue length out of the sheet's range", [](CSessionProfile& p) { p.serverQueueLength = 0xFFFFFF; }},
    };
    for (const auto& c : cases) {
        CSessionProfile stored = Distinct();
        c.stored(stored);
        auto loaded = profiles::LoadStoredForm(profiles::StoredForm(stored));
        ASSERT_TRUE(loaded) << c.name << ": " << loaded.Err().text;
        CSessionProfile edited = loaded.Value();
        profiles::ProfileForm form = profiles::ProfileForm::From(edited, "n");
        form.serverAddress = "other";
        form.TransferTo(edited);
        stored.serverAddress = "other";
        EXPECT_EQ(profiles::StoredForm(edited), profiles::StoredForm(stored)) << c.name;
    }
    // What the sheet does change, it stores as the pages do: 1 and 0, and the combo's index.
    CSessionProfile p = Distinct();
    profiles::ProfileForm form = profiles::ProfileForm::From(p, "n");
    form.layers[0] = false;
    form.filterType = 0;
    form.TransferTo(p);
    EXPECT_EQ(p.captureConfiguration.ethernet, 0U);
    EXPECT_EQ(p.captureConfiguration.ipv4, 3U);
    EXPECT_EQ(p.captureConfiguration.filterType, 0U);
}

}  // namespace
