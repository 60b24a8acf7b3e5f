// HTTP, POP3, SMTP and FTP decoders: real session lines through summary and detail, the
// command tables' edge cases, password masking in every output, and the line reader.
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
    const char* detail;
    std::size_t consumed;  // by every operation
};

const LineCase kCases[] = {
    {"http request with headers", &kHttpRequest,
     "GET /index.html HTTP/1.1\r\nHost: example.com\r\nAccept: text/html\r\n\r\nbody",
     "HTTP:  C = 'GET /index.html HTTP/1.1'",
     "HTTP:  Request 'GET /index.html HTTP/1.1'\n"
     "  HTTP:  Request Method = GET\n"
     "  HTTP:  Uniform Resource Identifier = /index.html\n"
     "  HTTP:  Protocol Version = HTTP/1.1\n"
     "  HTTP:  Undocumented Header = Host: example.com\n"
     "    HTTP:  Undocumented Header Fieldname = Host\n"
     "    HTTP:  Undocumented Header Value =  example.com\n"
     "  HTTP:  Undocumented Header = Accept: text/html\n"
     "    HTTP:  Undocumented Header Fieldname = Accept\n"
     "    HTTP:  Undocumented Header Value =  text/html\n",
     66},
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
    {"http headers without a name", &kHttpRequest, "GET / HTTP/1.0\r\nNoColon\r\n:x\r\nA:\nb\rc\r\nCut: off", "HTTP:  C = 'GET / HTTP/1.0'",
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
    {"http response with headers", &kHttpResponse,
     "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\n\r\nhello", "HTTP:  R = 'HTTP/1.1 200 OK'",
     "HTTP:  Response 'HTTP/1.1 200 OK'\n"
     "  HTTP:  Protocol Version = HTTP/1.1\n"
     "  HTTP:  Status Code = 200\n"
     "  HTTP:  Reason = OK\n"
     "  HTTP:  Undocumented Header = Content-Type: text/html\n"
     "    HTTP:  Undocumented Header Fieldname = Content-Type\n"
     "    HTTP:  Undocumented Header Value =  text/html\n"
     "  HTTP:  Undocumented Header = Content-Length: 5\n"
     "    HTTP:  Undocumented Header Fieldname = Content-Length\n"
     "    HTTP:  Undocumented Header Value =  5\n",
     63},
    {"http body continuation is data", &kHttpResponse, "<html>body</html>", "HTTP:  R = 'DATA'",
     "HTTP:  Response 'DATA'\n"
     "  HTTP:  Number of data bytes remaining = 16 (0x10)\n",
     1},
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

    {"pop3 user", &kPop3Command, "USER alice\r\n", "POP3:  C = 'USER alice'",
     "POP3:  Command 'USER alice' (User name)\n"
     "  POP3:  Command Line = 'USER alice'\n"
     "  POP3:  Command Type = User name\n",
     11},
    {"pop3 password is masked", &kPop3Command, "PASS s3cret\r\n", "POP3:  C = 'PASS ........'",
     "POP3:  Command 'PASS ........' (User password)\n"
     "  POP3:  Command Line = 'PASS ........'\n"
     "  POP3:  Command Type = User password\n",
     12},
    {"pop3 lower-case password is masked but unknown", &kPop3Command, "pass s3cret\r\n", "POP3:  C = 'pass ........'",
     "POP3:  Command 'pass ........' (Unknown)\n"
     "  POP3:  Command Line = 'pass ........'\n"
     "  POP3:  Command Type = Unknown\n",
     12},
    {"pop3 TOP needs no space", &kPop3Command, "TOPX", "POP3:  C = 'TOPX'",
     "POP3:  Command 'TOPX' (Retrive top X lines of the message)\n"
     "  POP3:  Command Line = 'TOPX'\n"
     "  POP3:  Command Type = Retrive top X lines of the message\n",
     4},
    {"pop3 DELE needs its space", &kPop3Command, "DELE\r\n", "POP3:  C = 'DELE'",
     "POP3:  Command 'DELE' (Unknown)\n"
     "  POP3:  Command Line = 'DELE'\n"
     "  POP3:  Command Type = Unknown\n",
     5},
    {"pop3 positive reply", &kPop3Reply, "+OK POP3 server ready\r\n", "POP3:  R = '+OK POP3 server ready'",
     "POP3:  Reply '+OK POP3 server ready' (Positive reply)\n"
     "  POP3:  Reply Line = '+OK POP3 server ready'\n"
     "  POP3:  Reply Type = Positive reply\n",
     22},
    {"pop3 negative reply", &kPop3Reply, "-ERR no such message\r\n", "POP3:  R = '-ERR no such message'",
     "POP3:  Reply '-ERR no such message' (Negative reply)\n"
     "  POP3:  Reply Line = '-ERR no such message'\n"
     "  POP3:  Reply Type = Negative reply\n",
     21},
    {"pop3 mail text", &kPop3Reply, "Subject: hello\r\n", "POP3:  R = 'Subject: hello'",
     "POP3:  Reply 'Mail data' (Mail data)\n"
     "  POP3:  Reply Line = 'Mail data'\n"
     "  POP3:  Reply Type = Mail data\n",
     15},
    {"pop3 two characters are mail data", &kPop3Reply, "+O", "POP3:  R = '+O'",
     "POP3:  Reply 'Mail data' (Mail data)\n"
     "  POP3:  Reply Line = 'Mail data'\n"
     "  POP3:  Reply Type = Mail data\n",
     2},

    {"smtp mail from", &kSmtpCommand, "MAIL FROM:<alice@example.com>\r\n", "SMTP:  C = 'MAIL FROM:<alice@example.com>'",
     "SMTP:  Command MAIL FROM: (Deliver mail data to mailbox(es))\n"
     "  SMTP:  Command = 'MAIL FROM:<alice@example.com>'\n"
     "  SMTP:  Description = Deliver mail data to mailbox(es)\n",
     30},
    {"smtp bare HELO is unknown", &kSmtpCommand, "HELO\r\n", "SMTP:  C = 'HELO'",
     "SMTP:  Command Unknown (Unknown)\n"
     "  SMTP:  Command = 'HELO'\n"
     "  SMTP:  Description = Unknown\n",
     5},
    {"smtp mail text beginning with DATA", &kSmtpCommand, "DATAbase report attached\r\n",
     "SMTP:  C = 'DATAbase report attached'",
     "SMTP:  Command DATA (The mail data)\n"
     "  SMTP:  Command = 'DATAbase report attached'\n"
     "  SMTP:  Description = The mail data\n",
     25},
    {"smtp quit", &kSmtpCommand, "QUIT\r\n", "SMTP:  C = 'QUIT'",
     "SMTP:  Command QUIT (Send OK reply, them close channel)\n"
     "  SMTP:  Command = 'QUIT'\n"
     "  SMTP:  Description = Send OK reply, them close channel\n",
     5},
    {"smtp turn", &kSmtpCommand, "TURN", "SMTP:  C = 'TURN'",
     "SMTP:  Command TURN (Exchange Sernder/Receiver roles)\n"
     "  SMTP:  Command = 'TURN'\n"
     "  SMTP:  Description = Exchange Sernder/Receiver roles\n",
     4},
    {"smtp 250", &kSmtpReply, "250 OK\r\n", "SMTP:  R = '250 OK'",
     "SMTP:  Reply 250 (Positive Completion reply)\n"
     "  SMTP:  Reply = '250 OK'\n"
     "  SMTP:  Type = Positive Completion reply\n"
     "  SMTP:  Description = File system\n",
     7},
    {"smtp 354", &kSmtpReply, "354 Start mail input\r\n", "SMTP:  R = '354 Start mail input'",
     "SMTP:  Reply 354 (Positive Intermediate reply)\n"
     "  SMTP:  Reply = '354 Start mail input'\n"
     "  SMTP:  Type = Positive Intermediate reply\n"
     "  SMTP:  Description = File system\n",
     21},
    {"smtp 221", &kSmtpReply, "221 closing\r\n", "SMTP:  R = '221 closing'",
     "SMTP:  Reply 221 (Positive Completion reply)\n"
     "  SMTP:  Reply = '221 closing'\n"
     "  SMTP:  Type = Positive Completion reply\n"
     "  SMTP:  Description = Connections\n",
     12},
    {"smtp 530", &kSmtpReply, "530 auth required\r\n", "SMTP:  R = '530 auth required'",
     "SMTP:  Reply 530 (Permanent Negative Completion reply)\n"
     "  SMTP:  Reply = '530 auth required'\n"
     "  SMTP:  Type = Permanent Negative Completion reply\n"
     "  SMTP:  Description = Unspecified as yet\n",
     18},
    {"smtp multi-line reply", &kSmtpReply, "250-mail.example.com\r\n250 HELP\r\n", "SMTP:  R = '250-mail.example.com'",
     "SMTP:  Reply 250 (Positive Completion reply)\n"
     "  SMTP:  Reply = '250-mail.example.com'\n"
     "  SMTP:  Type = Positive Completion reply\n"
     "  SMTP:  Description = File system\n",
     21},
    {"smtp reply of two characters", &kSmtpReply, "25", "SMTP:  R = '25'",
     "SMTP:  Reply ??? (Unknown)\n"
     "  SMTP:  Reply = '25'\n"
     "  SMTP:  Type = Unknown\n"
     "  SMTP:  Description = Unknown\n",
     2},
    {"smtp reply 7x9", &kSmtpReply, "789", "SMTP:  R = '789'",
     "SMTP:  Reply 789 (Error !)\n"
     "  SMTP:  Reply = '789'\n"
     "  SMTP:  Type = Error !\n"
     "  SMTP:  Description = Error !\n",
     3},

    {"ftp password is masked", &kFtpCommand, "PASS hunter2\r\n", "FTP:  C = 'PASS ........' (User's password)",
     "FTP:  C = 'PASS ........' (User's password)\n"
     "  FTP:  Command Data = 'PASS ........'\n"
     "  FTP:  Command Type = Access Control\n"
     "  FTP:  Command Description = User's password\n",
     13},
    {"ftp lower-case password is masked but unknown", &kFtpCommand, "pass hunter2\r\n",
     "FTP:  C = 'pass ........' (Unknown)",
     "FTP:  C = 'pass ........' (Unknown)\n"
     "  FTP:  Command Data = 'pass ........'\n"
     "  FTP:  Command Type = Unknown\n"
     "  FTP:  Command Description = Unknown\n",
     13},
    {"ftp bare CWD is unknown", &kFtpCommand, "CWD\r\n", "FTP:  C = 'CWD' (Unknown)",
     "FTP:  C = 'CWD' (Unknown)\n"
     "  FTP:  Command Data = 'CWD'\n"
     "  FTP:  Command Type = Unknown\n"
     "  FTP:  Command Description = Unknown\n",
     4},
    {"ftp XPWD is unknown", &kFtpCommand, "XPWD\r\n", "FTP:  C = 'XPWD' (Unknown)",
     "FTP:  C = 'XPWD' (Unknown)\n"
     "  FTP:  Command Data = 'XPWD'\n"
     "  FTP:  Command Type = Unknown\n"
     "  FTP:  Command Description = Unknown\n",
     5},
    {"ftp port", &kFtpCommand, "PORT 192,168,1,2,7,138\r\n", "FTP:  C = 'PORT 192,168,1,2,7,138' (Specifies the data port to be used)",
     "FTP:  C = 'PORT 192,168,1,2,7,138' (Specifies the data port to be used)\n"
     "  FTP:  Command Data = 'PORT 192,168,1,2,7,138'\n"
     "  FTP:  Command Type = Transfer Parameter\n"
     "  FTP:  Command Description = Specifies the data port to be used\n",
     23},
    {"ftp retr", &kFtpCommand, "RETR notes.txt\r\n", "FTP:  C = 'RETR notes.txt' (Retrive a copy of the file from the other end)",
     "FTP:  C = 'RETR notes.txt' (Retrive a copy of the file from the other end)\n"
     "  FTP:  Command Data = 'RETR notes.txt'\n"
     "  FTP:  Command Type = Service Command\n"
     "  FTP:  Command Description = Retrive a copy of the file from the other end\n",
     15},
    {"ftp 220", &kFtpReply, "220 Service ready\r\n", "FTP:  R = '220 Service ready' (Connections)",
     "FTP:  R = '220 Service ready' (Connections)\n"
     "  FTP:  Reply Data = '220 Service ready'\n"
     "  FTP:  Reply Type = Positive Completion reply\n"
     "  FTP:  Reply Description = Connections\n",
     18},
    {"ftp 331", &kFtpReply, "331 Password required\r\n", "FTP:  R = '331 Password required' (Authentication and accounting)",
     "FTP:  R = '331 Password required' (Authentication and accounting)\n"
     "  FTP:  Reply Data = '331 Password required'\n"
     "  FTP:  Reply Type = Positive Intermediate reply\n"
     "  FTP:  Reply Description = Authentication and accounting\n",
     22},
    {"ftp 550 of several lines", &kFtpReply, "550 No such file\r\n226 done\r\n", "FTP:  R = '550 No such file' (File system)",
     "FTP:  R = '550 No such file' (File system)\n"
     "  FTP:  Reply Data = '550 No such file'\n"
     "  FTP:  Reply Type = Permanent Negative Completion reply\n"
     "  FTP:  Reply Description = File system\n",
     17},
    {"ftp continuation line", &kFtpReply, " continued", "FTP:  R = ' continued' (Syntax)",
     "FTP:  R = ' continued' (Syntax)\n"
     "  FTP:  Reply Data = ' continued'\n"
     "  FTP:  Reply Type = Error !\n"
     "  FTP:  Reply Description = Syntax\n",
     10},
    {"ftp short reply", &kFtpReply, "22", "FTP:  R = '22' (Unknown)",
     "FTP:  R = '22' (Unknown)\n"
     "  FTP:  Reply Data = '22'\n"
     "  FTP:  Reply Type = Unknown\n"
     "  FTP:  Reply Description = Unknown\n",
     2},
};

TEST(AppLineTest, SessionLinesGiveTheirSummaryAndDetail) {
    for (const auto& c : kCases) {
        const auto bytes = Text(c.segment);
        const auto summary = Summary(*c.parser, bytes);
        EXPECT_EQ(summary.text, c.summary) << c.name;
        EXPECT_EQ(summary.next, decode::PROTO_NONE) << c.name;
        const auto detail = Detail(*c.parser, bytes);
        EXPECT_EQ(detail.text, c.detail) << c.name;
        EXPECT_EQ(detail.consumed, c.consumed) << c.name;
        EXPECT_EQ(detail.next, decode::PROTO_NONE) << c.name;
    }
}

TEST(AppLineTest, ParseStepsOverTheSameBytesAsTheOtherOperations) {
    for (const auto& c : kCases) {
        const auto bytes = Text(c.segment);
        EXPECT_EQ(apptest::ParseOnly(*c.parser, bytes), c.consumed) << c.name;
        EXPECT_EQ(Summary(*c.parser, bytes).consumed, c.consumed) << c.name;
    }
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
        {"abc\ndef", "abc", 4},
        {std::string_view("ab\0cd", 5), "ab", 3},
        {"abc", "abc", 3},
        {"", "", 0},
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
