// palomet-cli info, list, import, export and recover as a user runs them: exit status, the
// exact message on stderr for a bad file, a pcap round trip through the commands, and what
// the written files look like.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <utility>

#include "CliRun.h"
#include "capture/TraceTestUtil.h"

namespace {

using clitest::Cli;
using clitest::CliRun;
using clitest::kSample;
using support::ReadText;
using support::TempPath;

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
    const auto junk = TempPath("junk.tns");
    support::WriteText(junk, "not a trace file at all, clearly");
    const auto longer = TempPath("longer.tns");
    support::WriteText(longer, ReadText(kSample) + "x");
    struct Case {
        std::string args;
        const char* message;
    };
    const Case cases[] = {
        {"info " + junk, "Wrong file opened!\n"},
        {"list " + junk, "Wrong file opened!\n"},
        {"info " + longer, "File length is invalid\n"},
        {"export " + longer + " " + TempPath("never.pcap"), "File length is invalid\n"},
        {"list " + kSample + " --from 400", "Invalid line number: enter number in range 0..399\n"},
        {"info " + TempPath("missing.tns"), "Trace file could not be opened!\n"},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli(c.args);
        EXPECT_NE(r.status, 0) << c.args;
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << c.args << ": " << r.err;
    }
}

TEST(TraceCommands, ExportThenImportGivesTheSameFrames) {
    const auto pcap = TempPath("sample.pcap");
    const auto tns = TempPath("again.tns");
    const CliRun exported = Cli("export " + kSample + " " + pcap);
    ASSERT_EQ(exported.status, 0) << exported.err;
    const CliRun imported = Cli("import " + pcap + " " + tns + " --block-frames 100");
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(ReadText(tns), ReadText(kSample)) << "the same frames make the same blocks";
    const CliRun refused = Cli("import " + kSample + " " + TempPath("x.tns"));
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("not a pcap or pcapng file"), std::string::npos) << refused.err;
}

// A copy of the sample with some bytes changed, at offset: little-endian words.
std::string SpoiltSample(const std::string& name, std::size_t offset, std::initializer_list<std::uint32_t> words) {
    std::string bytes = ReadText(kSample);
    for (const std::uint32_t w : words) {
        for (int b = 0; b < 4; ++b) bytes[offset++] = static_cast<char>(w >> (8 * b));
    }
    const auto path = TempPath(name);
    support::WriteText(path, bytes);
    return path;
}

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(TraceCommands, UnfinishedCaptureIsToldHowToComeBack) {
    // Zero counts in the header, as a capture that did not end in order leaves them.
    const auto unfinished = SpoiltSample("unfinished.tns", 12, {0, 0, 0});
    const std::string hint = "`palomet-cli recover " + unfinished + "` can bring it back";
    struct Case {
        std::string args;
        bool onStdout;
    };
    const Case cases[] = {{"info " + unfinished, true},
                          {"info --json " + unfinished, true},
                          {"list " + unfinished, false},
                          {"show " + unfinished + " 0", false}};
    for (const auto& c : cases) {
        const CliRun r = Cli(c.args);
        EXPECT_NE(r.status, 0) << c.args;
        EXPECT_NE((c.onStdout ? r.out : r.err).find(hint), std::string::npos) << c.args << "\n" << r.out << r.err;
    }
    // A finished file of the wrong length is not one a capture left behind.
    const auto longer = TempPath("longer.tns");
    support::WriteText(longer, ReadText(kSample) + "x");
    EXPECT_EQ(Cli("info " + longer).out.find("recover"), std::string::npos);
}

TEST(TraceCommands, ListGoesOnPastACorruptBlockAndSaysSo) {
    // Block 2 (frames 100 to 199): its zlib stream, or its compressed size.
    const std::uint32_t block2 = testutil::OpenValid(kSample).ListBlocks().Value().at(1).offset;
    const std::pair<const char*, std::string> cases[] = {
        {"zlib stream", SpoiltSample("zlib.tns", block2 + 24, {0xFFFFFFFF, 0xFFFFFFFF})},
        {"compressed size", SpoiltSample("size.tns", block2 + 12, {0xFFFFFF00})},
    };
    for (const auto& [what, trace] : cases) {
        const CliRun r = Cli("list --tsv " + trace);
        EXPECT_EQ(r.status, 1) << what;
        EXPECT_EQ(Lines(r.out), 301u) << what << ": the header and blocks 1, 3 and 4";
        EXPECT_NE(r.out.find("\n99\t"), std::string::npos) << what;
        EXPECT_EQ(r.out.find("\n100\t"), std::string::npos) << what;
        EXPECT_NE(r.out.find("\n200\t"), std::string::npos) << what;
        EXPECT_NE(r.out.find("\n399\t"), std::string::npos) << what;
        EXPECT_EQ(r.err.rfind("block 2 at offset " + std::to_string(block2) + ": ", 0), 0u) << what << ": " << r.err;
    }
    // Starting inside the bad block goes on from the next one.
    const CliRun from = Cli("list --tsv --from 150 --count 10 " + cases[0].second);
    EXPECT_EQ(from.status, 1);
    EXPECT_EQ(from.out.find("\n200\t"), from.out.find('\n')) << from.out;
}

// A finished trace with a bad block: in place nothing changes; OUT gets every block that
// verifies, and the frames lost with block 2 are named.
TEST(TraceCommands, RecoverNeverCutsAFinishedTraceAndNamesWhatIsLost) {
    const std::uint32_t block2 = testutil::OpenValid(kSample).ListBlocks().Value().at(1).offset;
    const auto spoilt = SpoiltSample("finished.tns", block2 + 24, {0xFFFFFFFF, 0xFFFFFFFF});
    const std::string before = ReadText(spoilt);
    const CliRun inPlace = Cli("recover " + spoilt);
    EXPECT_EQ(inPlace.status, 0);
    EXPECT_NE(inPlace.out.find("nothing to recover"), std::string::npos) << inPlace.out;
    EXPECT_NE(inPlace.out.find("frames 100-199 lost"), std::string::npos) << inPlace.out;
    EXPECT_EQ(ReadText(spoilt), before);

    const auto out = TempPath("out.tns");
    const CliRun copied = Cli("recover " + spoilt + " " + out);
    EXPECT_EQ(copied.status, 0);
    EXPECT_NE(copied.out.find("kept 3 blocks, 300 frames"), std::string::npos) << copied.out;
    EXPECT_NE(copied.out.find("frames 100-199 lost"), std::string::npos) << copied.out;
    const CliRun listed = Cli("list --tsv " + out);
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(Lines(listed.out), 301u);
    EXPECT_NE(listed.out.find("\n399\t"), std::string::npos) << "frames keep their numbers";
}

// Captures hold cleartext logins: whatever a command writes over keeps the permissions the
// user gave the file, in place or beside it.
TEST(TraceCommands, WritingOverAFileNeverWidensWhoMayReadIt) {
    const auto pcap = TempPath("sample.pcap");
    ASSERT_EQ(Cli("export " + kSample + " " + pcap).status, 0);
    // Block 2's stream spoilt and no counts in the header: recovery has to rewrite the file.
    const std::uint32_t block2 = testutil::OpenValid(kSample).ListBlocks().Value().at(1).offset;
    std::string killed = ReadText(SpoiltSample("killed.tns", block2 + 24, {0xFFFFFFFF}));
    std::fill(killed.begin() + 12, killed.begin() + 24, '\0');
    const auto in = TempPath("in.tns");
    support::WriteText(in, killed);
    const std::pair<const char*, std::string> writers[] = {
        {"export", "export " + kSample + " "},
        {"import", "import " + pcap + " "},
        {"recover into OUT", "recover " + in + " "},
        {"recover in place", "recover "},
    };
    for (const auto& [what, command] : writers) {
        const auto out = TempPath("private");
        if (std::string(what) == "recover in place") support::WriteText(out, killed);
        std::ofstream(out, std::ios::app).flush();
        ASSERT_EQ(::chmod(out.c_str(), 0600), 0);
        const CliRun r = Cli(command + out);
        EXPECT_EQ(r.status, 0) << what << ": " << r.err;
        struct stat st {};
        ASSERT_EQ(::stat(out.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << what;
        EXPECT_GT(st.st_size, 24) << what << ": the file was written";
    }
}

TEST(TraceCommands, ChoiceOptionsRefuseWhatTheyDoNotKnow) {
    const std::pair<std::string, const char*> cases[] = {
        {"list " + kSample + " --level session", "datalink,network,transport,application"},
        {"list " + kSample + " --level Application", "datalink,network,transport,application"},
        {"list " + kSample + " --tsv --json", "excludes"},
        {"import in.pcap out.tns --level 13", "13"},
    };
    for (const auto& [args, expected] : cases) {
        const CliRun r = Cli(args);
        EXPECT_NE(r.status, 0) << args;
        EXPECT_NE(r.err.find(expected), std::string::npos) << args << ": " << r.err;
    }
}

TEST(TraceCommands, AnInstalledProgramDoesNotReadTheTreeItWasBuiltFrom) {
    const auto dir = std::filesystem::path(TempPath("installed"));
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(std::string(PALOMET_BIN_DIR) + "/palomet-cli", dir / "palomet-cli",
                               std::filesystem::copy_options::overwrite_existing);
    const std::string program = "cd " + dir.string() + " && env -u PALOMET_DATA_DIR " + (dir / "palomet-cli").string();
    const CliRun installed = Cli("tables --tsv", program);
    ASSERT_EQ(installed.status, 0) << installed.err;
    EXPECT_EQ(installed.out.find(std::string(PALOMET_SOURCE_DIR) + "/data/tables"), std::string::npos) << installed.out;
    const CliRun built =
        Cli("tables --tsv", "cd " + dir.string() + " && env -u PALOMET_DATA_DIR " + PALOMET_BIN_DIR + "/palomet-cli");
    EXPECT_NE(built.out.find(std::string(PALOMET_SOURCE_DIR) + "/data/tables"), std::string::npos) << built.out;
}

}  // namespace
