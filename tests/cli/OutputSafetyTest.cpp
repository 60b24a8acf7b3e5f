// Captured bytes never reach the terminal or a machine format raw: list (people, TSV, JSON)
// and show escape what could act on a terminal or break a row, and JSON stays strict.
#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "CliRun.h"
#include "capture/TraceTestUtil.h"

namespace {

using clitest::Cli;
using clitest::CliRun;

// A trace file of the frames of a .hex fixture (tests/data/frames), in one block.
std::string TraceOfFixture(const std::string& fixture) {
    std::istringstream in(clitest::Slurp(std::string(PALOMET_TEST_DATA) + "/frames/" + fixture));
    capture::CPktSnap batch;
    batch.SetFrequency(1'000'000);
    std::string line;
    std::string hex;
    const auto flush = [&] {
        if (hex.empty()) return;
        testutil::Bytes bytes;
        std::istringstream digits(hex);
        std::string pair;
        while (digits >> pair) bytes.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
        capture::CPktSnapQue frame;
        frame.SetFrameNumber(batch.GetFrameCount());
        frame.SetLinkProtocol(4);
        frame.SetData(bytes);
        frame.SetCapturedLength(static_cast<std::uint32_t>(bytes.size()));
        frame.SetTotalLength(static_cast<std::uint32_t>(bytes.size()));
        batch.AddFrame(frame);
        hex.clear();
    };
    while (std::getline(in, line)) {
        if (line.rfind("@ frame", 0) == 0) flush();
        if (!line.empty() && line[0] != '@' && line[0] != '#') hex += line + " ";
    }
    flush();
    const auto path = clitest::TempFile(fixture + ".tns");
    auto writer = capture::TraceWriter::Create(path, capture::TraceWriter::Flush::Deferred);
    EXPECT_TRUE(writer.Ok() && writer.Value().WriteHeader().Ok());
    EXPECT_TRUE(writer.Value().AppendBlock(testutil::Pack(batch), batch.GetFrameCount()).Ok());
    EXPECT_TRUE(writer.Value().Finish().Ok());
    return path;
}

// No byte that could act on a terminal: only line feeds, and tabs where allowed.
std::string ControlBytesIn(const std::string& text, bool tabsAllowed) {
    std::string found;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c < 0x20 && c != '\n' && !(tabsAllowed && c == '\t')) || c == 0x7F || c >= 0x80) found += std::to_string(c) + " ";
    }
    return found;
}

TEST(OutputSafety, CapturedControlBytesAreEscapedInEveryFormat) {
    const auto trace = TraceOfFixture("hostile_text.hex");
    const std::string telnet = "TELNET:  [\\x1B]0;owned\\x07\\x1B[2J\\xC2\\x9B\\xFF\\xFE ok \\\\x41\\x09end]";
    const std::string dns = "'a\\x0Ab.\\x1B[1mevil.com'";
    struct Case {
        const char* args;
        bool tabs;
        std::size_t lines;  // 0: not counted
        bool telnetShown;   // Telnet has a summary, no detail lines
    };
    const Case cases[] = {{"list", false, 3, true}, {"list --tsv", true, 3, true}, {"show", false, 0, false}};
    for (const auto& c : cases) {
        const std::string args = std::string(c.args) + " " + trace + (std::string(c.args) == "show" ? " 0 1" : "");
        const CliRun r = Cli(args);
        ASSERT_EQ(r.status, 0) << args << "\n" << r.err;
        EXPECT_EQ(ControlBytesIn(r.out, c.tabs), "") << args;
        if (c.telnetShown) { EXPECT_NE(r.out.find(telnet), std::string::npos) << args << "\n" << r.out; }
        EXPECT_NE(r.out.find(dns), std::string::npos) << args << "\n" << r.out;
        if (c.lines > 0) {
            std::size_t lines = 0;
            for (const char ch : r.out) lines += ch == '\n';
            EXPECT_EQ(lines, c.lines) << "one line per row: " << args;
        }
        if (c.tabs) {
            std::istringstream rows(r.out);
            for (std::string row; std::getline(rows, row);)
                EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 4) << row;
        }
    }
    // JSON: a strict parser takes the document (valid UTF-8, no raw control characters).
    const CliRun json = Cli("list --json " + trace);
    ASSERT_EQ(json.status, 0) << json.err;
    const auto file = clitest::TempFile("rows.json");
    clitest::Spill(file, json.out);
    const std::string check = "/usr/bin/python3 -c 'import json,sys; rows = json.loads(open(sys.argv[1], \"rb\").read()"
                              ".decode(\"utf-8\")); assert len(rows) == 2' " + file;
    EXPECT_EQ(std::system(check.c_str()), 0) << json.out;
    EXPECT_NE(json.out.find("\\\\x1B]0;owned"), std::string::npos) << json.out;
}

}  // namespace
