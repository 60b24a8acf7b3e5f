// HTTP, POP3, SMTP and FTP decoders beyond the session golden texts: the command and reply
// tables' edge cases, where each message ends, password masking in every output, and the line
// reader.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "decode/app/CPktFTPCommandParser.h"
#include "decode/app/CPktFTPReplyParser.h"
#include "decode/app/CPktHTTPRequestParser.h"
#include "decode/app/CPktHTTPResponseParser.h"
#include "decode/app/CPktPOP3CommandParser.h"
#include "decode/app/CPktPOP3ReplyParser.h"
#include "decode/app/CPktSMTPCommandParser.h"
#include "decode/app/CPktSMTPReplyParser.h"
#include "decode/app/LineProtocol.h"

namespace {

using apptest::Detail;
using apptest::Summary;
using apptest::Text;

const decode::app::CPktHTTPRequestParser kHttpRequest;
const decode::app::CPktHTTPResponseParser kHttpResponse;
const decode::app::CPktPOP3CommandParser kPop3Command;
const decode::app::CPktPOP3ReplyParser kPop3Reply;
const decode::app::CPktSMTPCommandParser kSmtpCommand;
const decode::app::CPktSMTPReplyParser kSmtpReply;
const decode::app::CPktFTPCommandParser kFtpCommand;
const decode::app::CPktFTPReplyParser kFtpReply;

struct LineCase {
    const char* name;
    const decode::CPktParser* parser;
    std::string_view segment;
    const char* summary;
    const char* detail;    // see the tables
    std::size_t consumed;  // by every operation
};

// The whole detail text; nullptr where a golden session pins it and the row checks where the
// header block ends.
const LineCase kHttpCases[] = {
    {"http request stops after the blank line", &kHttpRequest,
     "GET /index.html HTTP/1.1\r\nHost: example.com\r\nAccept: text/html\r\n\r\nbody",
     "HTTP:  C = 'GET /index.html HTTP/1.1'", nullptr, 66},
    {"http request of one token reads no headers", &kHttpRequest, "QUIT\r\nHost: x\r\n\r\n", "HTTP:  C = 'QUIT'",
     "HTTP:  Request 'QUIT'\n"
     "  HTTP:  Request Method = QUIT\n"
     "  HTTP:  Uniform Resource Identifier = QUIT\n"
     "  HTTP:  Protocol Version = QUIT\n",
     5},
    {"http request of two tokens", &kHttpRequest, "GET /\r\nHost: x\r\n\r\n", "HTTP:  C = 'GET /'",
     "HTTP:  Request 'GET /'\n"
     "  HTTP:  Request Method = GET\n"
     "  HTTP:  Uniform Resource Identifier = /\n"
     "  HTTP:  Protocol Version = /\n",
     6},
    {"http headers without a name", &kHttpRequest, "GET / HTTP/1.0\r\nNoColon\r\n:x\r\nA:\nb\rc\r\nCut: off",
     "HTTP:  C = 'GET / HTTP/1.0'",
     "HTTP:  Request 'GET / HTTP/1.0'\n"
     "  HTTP:  Request Method = GET\n"
     "  HTTP:  Uniform Resource Identifier = /\n"
     "  HTTP:  Protocol Version = HTTP/1.0\n"
     "  HTTP:  Undocumented Header = NoColon\n"
     "    HTTP:  Undocumented Header Fieldname = \n"
     "    HTTP:  Undocumented Header Value = \n"
     "  HTTP:  Undocumented Header = :x\n"
     "    HTTP:  Undocumented Header Fieldname = \n"
     "    HTTP:  Undocumented Header Value = \n"
     // a bare LF is ignored and a lone CR dropped; the cut last line is dropped
     "  HTTP:  Undocumented Header = A:bc\n"
     "    HTTP:  Undocumented Header Fieldname = A\n"
     "    HTTP:  Undocumented Header Value = bc\n",
     45},
    {"http response stops after the blank line", &kHttpResponse,
     "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\n\r\nhello", "HTTP:  R = 'HTTP/1.1 200 OK'",
     nullptr, 63},
    {"http status check fails at the fourth octet", &kHttpResponse, "HTTX/1.0 200 OK\r\n", "HTTP:  R = 'DATA'",
     "HTTP:  Response 'DATA'\n"
     "  HTTP:  Number of data bytes remaining = 13 (0xD)\n",
     4},
    {"http status line without a space", &kHttpResponse, "HTTP/1.1\r\n\r\n", "HTTP:  R = 'HTTP/1.1'",
     "HTTP:  Response 'HTTP/1.1'\n"
     "  HTTP:  Protocol Version = HTTP/1.1\n"
     "  HTTP:  Status Code = HTTP/1.1\n"
     "  HTTP:  Reason = HTTP/1.1\n",
     12},
    {"http segment shorter than the check", &kHttpResponse, "HTT", "HTTP:  R = 'HTT'",
     "HTTP:  Response 'HTT'\n"
     "  HTTP:  Protocol Version = HTT\n"
     "  HTTP:  Status Code = HTT\n"
     "  HTTP:  Reason = HTT\n",
     3},
};

// The golden sessions pin the layout of these trees; each row names the detail lines that
// show the command or reply table's verdict.
const LineCase kLineCases[] = {
    {"pop3 lower-case password is masked but unknown", &kPop3Command, "pass s3cret\r\n", "POP3:  C = 'pass ........'",
     "POP3:  Command 'pass ........' (Unknown)\n", 12},
    {"pop3 TOP needs no space", &kPop3Command, "TOPX", "POP3:  C = 'TOPX'",
     "POP3:  Command 'TOPX' (Retrive top X lines of the message)\n", 4},
    {"pop3 DELE needs its space", &kPop3Command, "DELE\r\n", "POP3:  C = 'DELE'", "POP3:  Command 'DELE' (Unknown)\n",
     5},
    {"pop3 two characters are mail data", &kPop3Reply, "+O", "POP3:  R = '+O'",
     "POP3:  Reply 'Mail data' (Mail data)\n  POP3:  Reply Line = 'Mail data'\n", 2},
    {"smtp bare HELO is unknown", &kSmtpCommand, "HELO\r\n", "SMTP:  C = 'HELO'",
     "SMTP:  Command Unknown (Unknown)\n  SMTP:  Command = 'HELO'\n", 5},
    {"smtp mail text beginning with DATA", &kSmtpCommand, "DATAbase report attached\r\n",
     "SMTP:  C = 'DATAbase report attached'", "SMTP:  Command DATA (The mail data)\n", 25},
    {"smtp turn", &kSmtpCommand, "TURN", "SMTP:  C = 'TURN'", "SMTP:  Command TURN (Exchange Sernder/Receiver roles)\n",
     4},
    {"smtp 530", &kSmtpReply, "530 auth required\r\n", "SMTP:  R = '530 auth required'",
     "  SMTP:  Type = Permanent Negative Completion reply\n  SMTP:  Description = Unspecified as yet\n", 18},
    {"smtp multi-line reply", &kSmtpReply, "250-mail.example.com\r\n250 HELP\r\n", "SMTP:  R = '250-mail.example.com'",
     "SMTP:  Reply 250 (Positive Completion reply)\n", 21},
    {"smtp reply of two characters", &kSmtpReply, "25", "SMTP:  R = '25'",
     "SMTP:  Reply ??? (Unknown)\n  SMTP:  Reply = '25'\n  SMTP:  Type = Unknown\n  SMTP:  Description = Unknown\n", 2},
    {"smtp reply 7x9", &kSmtpReply, "789", "SMTP:  R = '789'",
     "SMTP:  Reply 789 (Error !)\n  SMTP:  Reply = '789'\n  SMTP:  Type = Error !\n  SMTP:  Description = Error !\n",
     3},
    {"ftp lower-case password is masked but unknown", &kFtpCommand, "pass hunter2\r\n",
     "FTP:  C = 'pass ........' (Unknown)", "  FTP:  Command Data = 'pass ........'\n  FTP:  Command Type = Unknown\n",
     13},
    {"ftp bare CWD is unknown", &kFtpCommand, "CWD\r\n", "FTP:  C = 'CWD' (Unknown)",
     "  FTP:  Command Type = Unknown\n", 4},
    {"ftp XPWD is unknown", &kFtpCommand, "XPWD\r\n", "FTP:  C = 'XPWD' (Unknown)", "  FTP:  Command Type = Unknown\n",
     5},
    {"ftp port", &kFtpCommand, "PORT 192,168,1,2,7,138\r\n",
     "FTP:  C = 'PORT 192,168,1,2,7,138' (Specifies the data port to be used)",
     "  FTP:  Command Type = Transfer Parameter\n  FTP:  Command Description = Specifies the data port to be used\n",
     23},
    {"ftp retr", &kFtpCommand, "RETR notes.txt\r\n",
     "FTP:  C = 'RETR notes.txt' (Retrive a copy of the file from the other end)",
     "  FTP:  Command Type = Service Command\n", 15},
    {"ftp continuation line", &kFtpReply, " continued", "FTP:  R = ' continued' (Syntax)",
     "  FTP:  Reply Type = Error !\n  FTP:  Reply Description = Syntax\n", 10},
    {"ftp short reply", &kFtpReply, "22", "FTP:  R = '22' (Unknown)",
     "  FTP:  Reply Type = Unknown\n  FTP:  Reply Description = Unknown\n", 2},
};

// Parse, summary and detail all step over the same bytes and end the chain.
void CheckCase(const LineCase& c, bool wholeDetail) {
    const auto bytes = Text(c.segment);
    const auto summary = Summary(*c.parser, bytes);
    EXPECT_EQ(summary.text, c.summary) << c.name;
    EXPECT_EQ(summary.consumed, c.consumed) << c.name;
    EXPECT_EQ(summary.next, decode::PROTO_NONE) << c.name;
    const auto detail = Detail(*c.parser, bytes);
    if (!wholeDetail) {
        EXPECT_NE(detail.text.find(c.detail), std::string::npos) << c.name << "\n" << detail.text;
    } else if (c.detail != nullptr) {
        EXPECT_EQ(detail.text, c.detail) << c.name;
    }
    EXPECT_EQ(detail.consumed, c.consumed) << c.name;
    EXPECT_EQ(detail.next, decode::PROTO_NONE) << c.name;
    EXPECT_EQ(apptest::ParseOnly(*c.parser, bytes), c.consumed) << c.name;
}

TEST(AppLineTest, HttpMessagesGiveTheirSummaryAndWholeDetail) {
    for (const auto& c : kHttpCases) CheckCase(c, true);
}

TEST(AppLineTest, CommandAndReplyTablesDecideTheDescriptions) {
    for (const auto& c : kLineCases) CheckCase(c, false);
}

TEST(AppLineTest, PasswordsNeverReachAnyOutput) {
    const std::string secret = "Tr0ub4dor&3";
    for (const auto* parser : {static_cast<const decode::CPktParser*>(&kFtpCommand),
                               static_cast<const decode::CPktParser*>(&kPop3Command)}) {
        for (const char* keyword : {"PASS ", "pass ", "Pass ", "pAsS "}) {
            const auto bytes = Text(std::string(keyword) + secret + "\r\n");
            EXPECT_EQ(Summary(*parser, bytes).text.find(secret), std::string::npos) << keyword;
            EXPECT_EQ(Detail(*parser, bytes).text.find(secret), std::string::npos) << keyword;
        }
    }
}

TEST(AppLineTest, FirstLineStopsAtOneTerminator) {
    struct Case {
        std::string_view bytes;
        const char* line;
        std::size_t consumed;
    };
    static const Case kLines[] = {
        {"abc\r\ndef", "abc", 4},  // the LF of CR LF stays
        {"abc\ndef", "abc", 4},   {std::string_view("ab\0cd", 5), "ab", 3}, {"abc", "abc", 3}, {"", "", 0},
        {"\r\n", "", 1},
    };
    for (const auto& c : kLines) {
        const auto bytes = Text(c.bytes);
        core::ByteReader in(bytes);
        std::string line;
        decode::app::ReadFirstLine(in, line);
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(in.Offset(), c.consumed);
    }
}

}  // namespace
