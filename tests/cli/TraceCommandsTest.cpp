// palomet-cli info, list, import and export as a user runs them: exit status, the exact
// message on stderr for a bad file, and a pcap round trip through the commands.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cli/CliRun.h"

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// One folder per test: ctest runs the tests of this file side by side.
std::string TempFile(const std::string& name) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto dir = std::filesystem::path(::testing::TempDir()) / "palomet-cli-trace-tests" / test->name();
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CliRun Cli(const std::string& args) {
    const std::string errFile = TempFile("stderr.txt");
    const auto run = testutil::RunCli("", args, "2>" + errFile);
    return {run.status, run.out, Slurp(errFile)};
}

const std::string kSample = std::string(PALOMET_SOURCE_DIR) + "/samples/sample.tns";

TEST(TraceCommands, InfoAndListOnTheSample) {
    const CliRun info = Cli("info " + kSample);
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Validation:   valid"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Frames:       400"), std::string::npos) << info.out;

    const CliRun list = Cli("list " + kSample + " --from 150 --count 60 --tsv");
    EXPECT_EQ(list.status, 0) << list.err;
    std::size_t rows = 0;
    for (const char ch : list.out) rows += ch == '\n';
    EXPECT_EQ(rows, 61u) << "a header and 60 rows across a block boundary";
    EXPECT_EQ(list.out.rfind("Counter\tDelta", 0), 0u);
    EXPECT_NE(list.out.find("\n150\t"), std::string::npos);
    EXPECT_NE(list.out.find("\n200\t0\t"), std::string::npos) << "the first frame of a block has delta 0";
    EXPECT_NE(list.out.find("\n209\t"), std::string::npos);
}

TEST(TraceCommands, BadFilesExitNonZeroWithTheMessage) {
    const auto junk = TempFile("junk.tns");
    std::ofstream(junk, std::ios::binary) << "not a trace file at all, clearly";
    const auto longer = TempFile("longer.tns");
    std::ofstream(longer, std::ios::binary) << Slurp(kSample) << 'x';
    struct Case {
        std::string args;
        const char* message;
    };
    const Case cases[] = {
        {"info " + junk, "Wrong file opened!\n"},
        {"list " + junk, "Wrong file opened!\n"},
        {"info " + longer, "File length is invalid\n"},
        {"export " + longer + " " + TempFile("never.pcap"), "File length is invalid\n"},
        {"list " + kSample + " --from 400", "Invalid line number: enter number in range 0..399\n"},
        {"info " + TempFile("missing.tns"), "Trace file could not be opened!\n"},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli(c.args);
        EXPECT_NE(r.status, 0) << c.args;
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << c.args << ": " << r.err;
    }
}

TEST(TraceCommands, ExportThenImportGivesTheSameFrames) {
    const auto pcap = TempFile("sample.pcap");
    const auto tns = TempFile("again.tns");
    const CliRun exported = Cli("export " + kSample + " " + pcap);
    ASSERT_EQ(exported.status, 0) << exported.err;
    const CliRun imported = Cli("import " + pcap + " " + tns + " --block-frames 100");
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(Slurp(tns), Slurp(kSample)) << "the same frames make the same blocks";
    const CliRun refused = Cli("import " + kSample + " " + TempFile("x.tns"));
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("not a pcap or pcapng file"), std::string::npos) << refused.err;
}

}  // namespace
