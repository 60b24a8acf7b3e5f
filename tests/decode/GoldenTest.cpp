// Golden texts: every row of every tests/decode/*cases.tsv names a frames fixture, the
// summary levels to list it at, and the expected rows and detail trees. Paths are relative to this folder; a .pcap fixture is
// read through pcap import. PALOMET_UPDATE_GOLDEN=1 rewrites the expected files (review the
// diff).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "DecodeFixtures.h"
#include "decode/BatchDecoding.h"
#include "decode/CPktSummary.h"
#include "decode/DetailRanges.h"
#include "decode/DetailText.h"
#include "decode/ProtoCode.h"
#include "decode/TextAppend.h"
#include "support/Files.h"

namespace decode::test {
namespace {

namespace fs = std::filesystem;

const fs::path kCaseDir = fs::path(PALOMET_SOURCE_DIR) / "tests" / "decode";

struct GoldenCase {
    std::string name;
    std::string frames;
    std::string levels;  // comma-separated: datalink, network, transport, application
    std::string expected;
};

std::uint32_t LevelLimit(const std::string& name) {
    if (name == "datalink") return LEVEL_DATALINK;
    if (name == "network") return LEVEL_NETWORK;
    if (name == "transport") return LEVEL_TRANSPORT;
    if (name == "application") return LEVEL_APPLICATION;
    throw std::invalid_argument("unknown level " + name);
}

std::vector<GoldenCase> LoadCases() {
    std::vector<GoldenCase> cases;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(kCaseDir)) {
        const std::string file = entry.path().filename().string();
        if (file.size() >= 9 && file.ends_with("cases.tsv")) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::istringstream in(support::ReadText(file.string()));
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            GoldenCase c;
            std::getline(fields, c.name, '\t');
            std::getline(fields, c.frames, '\t');
            std::getline(fields, c.levels, '\t');
            std::getline(fields, c.expected, '\t');
            cases.push_back(c);
        }
    }
    return cases;
}

// The rows at each level, then each frame's detail tree, as one text; a detail line whose byte
// range breaks the nesting fails the case.
std::string Render(const GoldenCase& c, const TestTables& tables) {
    const auto path = (kCaseDir / c.frames).string();
    const Fixture fx = c.frames.ends_with(".pcap") ? LoadPcapFixture(path, tables.parsers.get())
                                                   : LoadFixture(path, tables.parsers.get());
    std::string out = "# " + fx.note + "\n";
    std::istringstream levels(c.levels);
    std::string level;
    CPktSummary row;
    while (std::getline(levels, level, ',')) {
        out += "== " + level + "\n";
        for (std::uint32_t i = 0; i < fx.batch.GetFrameCount(); ++i) {
            decode::SummaryOf(fx.batch, LevelLimit(level), &row, i);
            AppendDec(out, row.frameNumber);
            out += " | ";
            AppendDeltaMs(out, row.timeDelta);
            out += " | " + row.source + " | " + row.destination + " | " + row.summary + "\n";
        }
    }
    for (std::uint32_t i = 0; i < fx.batch.GetFrameCount(); ++i) {
        out += "== detail " + std::to_string(i) + "\n";
        CPktDetailLine root;
        decode::DetailOf(fx.batch, &root, i);
        AppendDetailText(out, root, "\n");
        // The bytes each line names lie in the frame and in its parent's bytes.
        if (const CPktDetailLine* stray = FindStrayRange(root, fx.batch.GetFrame(i).GetData().size())) {
            ADD_FAILURE() << c.name << " frame " << i << ": the bytes of '" << stray->Prefix() << stray->Text() << "' ("
                          << stray->Bytes()->offset << ", " << stray->Bytes()->length
                          << ") leave the frame or their parent's";
        }
    }
    return out;
}

class Golden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, MatchesExpectedText) {
    const GoldenCase& c = GetParam();
    const TestTables tables;
    const std::string actual = Render(c, tables);
    const fs::path expected = kCaseDir / c.expected;
    if (std::getenv("PALOMET_UPDATE_GOLDEN") != nullptr) {
        support::WriteText(expected.string(), actual);
        GTEST_SKIP() << "rewrote " << expected;
    }
    ASSERT_TRUE(fs::exists(expected)) << expected << " is missing; run with PALOMET_UPDATE_GOLDEN=1 and review it";
    EXPECT_EQ(support::ReadText(expected.string()), actual) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, ::testing::ValuesIn(LoadCases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& param) { return param.param.name; });

}  // namespace
}  // namespace decode::test
