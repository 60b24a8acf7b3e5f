// palomet-cli list at each summary level and show, run as a user runs them on the sample.
#include "CliRun.h"

namespace {

using clitest::Cli;
using clitest::CliRun;
using clitest::kSample;

// Frame 100, a Telnet option negotiation, at each level: the columns the window shows, in
// each format; JSON escapes the captured bytes its own way.
TEST(ListCommand, EachLevelSummarisesUpToItsLayer) {
    const std::string header = "Counter\tDelta\tSource\tDestination\tSummary\n";
    const struct {
        const char* args;
        std::string out;
    } cases[] = {
        {"--tsv --level datalink",
         header + "100\t0\tDARTS 1215E3\tApple 75F636\tETHERNET:  ETYPE = 0x0800 : Protocol = IPv4\n"},
        {"--tsv --level network", header + "100\t0\t192.168.10.118\t192.168.10.5\tIPv4:  Protocol = 6 (TCP)\n"},
        {"--tsv --level transport", header +
                                        "100\t0\t192.168.10.118\t192.168.10.5\tTCP:  S=56553 D=23 PSH ACK=168491143 "
                                        "SEQ=2328630737 LEN=12 WIN=502 \n"},
        {"--tsv",
         header +
             R"(100	0	192.168.10.118	192.168.10.5	TELNET:  [\xFF\xFB\x18\xFF\xFC \xFF\xFC#\xFF\xFC'])"
             "\n"},
        {"",
         " Counter   Delta  Source           Destination      Summary\n"
         R"(     100       0  192.168.10.118   192.168.10.5     TELNET:  [\xFF\xFB\x18\xFF\xFC \xFF\xFC#\xFF\xFC'])"
         "\n"},
        {"--json",
         "[\n"
         R"({"Counter": 100, "Delta": 0, "Source": "192.168.10.118", "Destination": "192.168.10.5", )"
         R"("Summary": "TELNET:  [\\xFF\\xFB\u0018\\xFF\\xFC \\xFF\\xFC#\\xFF\\xFC']"})"
         "\n]\n"},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli("list " + kSample + " --from 100 --count 1 " + c.args);
        ASSERT_EQ(r.status, 0) << c.args << "\n" << r.err;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
}

TEST(ShowCommand, PrintsTheDetailTextOfEachFrame) {
    const CliRun r = Cli("show " + kSample + " 3 250");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("FRAME:  Base frame properties\n    FRAME:  Time of capture = ", 0), 0U) << r.out;
    EXPECT_NE(r.out.find("\n    FRAME:  Frame number = 3\n"), std::string::npos);
    EXPECT_NE(r.out.find("\n\nFRAME:  Base frame properties\n"), std::string::npos) << "frames apart by a blank line";
    EXPECT_NE(r.out.find("\n    FRAME:  Frame number = 250\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nIPv4:  ID = 0x"), std::string::npos);
    EXPECT_EQ(r.out.find('\r'), std::string::npos);

    const CliRun bad = Cli("show " + kSample + " 400");
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.err.find("Invalid line number: enter number in range 0..399"), std::string::npos) << bad.err;
}

// --hex: the dump after the detail, 16 bytes a line. --json: every line with the bytes it
// names; a script cuts each address line's bytes out of the frame ("bytes") and reads the
// address the text gives, and every range lies inside the frame and its parent's.
TEST(ShowCommand, HexDumpAndJsonLinesWithTheirBytes) {
    const CliRun hex = Cli("show " + kSample + " 6 --hex");
    ASSERT_EQ(hex.status, 0) << hex.err;
    const auto dump = hex.out.find("\n\n0000  00 0c 85 ");
    ASSERT_NE(dump, std::string::npos) << hex.out;
    EXPECT_NE(hex.out.find("\n0030  "), std::string::npos);
    EXPECT_EQ(hex.out.find("\n0050  "), std::string::npos) << "66 bytes: five lines";
    const std::string first = hex.out.substr(dump + 2, hex.out.find('\n', dump + 2) - dump - 2);
    EXPECT_EQ(first.size(), 73U) << first << ": the offset, 16 bytes in hex, 16 characters";

    const CliRun json = Cli("show " + kSample + " 6 250 --json --hex");
    ASSERT_EQ(json.status, 0) << json.err;
    const auto file = support::TempPath("show.json");
    support::WriteText(file, json.out);
    const std::string script = R"(
import json, sys
frames = json.load(open(sys.argv[1]))
assert [f["frame"] for f in frames] == [6, 250], frames
checked = 0
for f in frames:
    data = bytes.fromhex(f["bytes"])
    outer = [(0, len(data))]
    for line in f["lines"]:
        assert set(line) == {"depth", "text", "offset", "length"}, line
        del outer[line["depth"] + 1:]
        first, length = line["offset"], line["length"]
        if first is None:
            assert length is None
            outer.append(outer[-1])
            continue
        lo, hi = outer[-1]
        assert lo <= first and first + length <= hi and length > 0, (line, outer)
        outer.append((first, first + length))
        if line["text"].startswith(("IPv4:  Source address = ", "IPv4:  Destination address = ",
                                    "ARP:  Sender protocol address = ", "ARP:  Target protocol address = ")):
            shown = line["text"].split(" = ")[1]
            assert ".".join(str(b) for b in data[first:first + length]) == shown, line
            checked += 1
assert checked == 4, checked
)";
    support::WriteText(support::TempPath("check.py"), script);
    const auto parsed = support::Run("/usr/bin/python3 " + support::TempPath("check.py") + " " + file);
    EXPECT_EQ(parsed.status, 0) << parsed.err;

    const CliRun bad = Cli("show " + kSample + " 6 400 --json");
    EXPECT_NE(bad.status, 0);
    EXPECT_EQ(bad.out, "") << "no half array before the bad number";
}

}  // namespace
