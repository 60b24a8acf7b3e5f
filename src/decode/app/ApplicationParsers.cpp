// Registers the application-layer decoders under their codes.
#include "decode/app/ApplicationParsers.h"

#include "decode/app/CPktDNSParser.h"
#include "decode/app/CPktFTPCommandParser.h"
#include "decode/app/CPktFTPReplyParser.h"
#include "decode/app/CPktHTTPRequestParser.h"
#include "decode/app/CPktHTTPResponseParser.h"
#include "decode/app/CPktNBNSParser.h"
#include "decode/app/CPktPOP3CommandParser.h"
#include "decode/app/CPktPOP3ReplyParser.h"
#include "decode/app/CPktSMTPCommandParser.h"
#include "decode/app/CPktSMTPReplyParser.h"

namespace decode::app {

std::vector<Registration> MakeApplicationParsers(const tables::CPktIProtNums& protocols,
                                                 const tables::CPktWPortNums& ports) {
    std::vector<Registration> out;
    out.reserve(10);
    out.push_back({PROTO_DNS, std::make_unique<CPktDNSParser>(protocols, ports)});
    out.push_back({PROTO_NBNS, std::make_unique<CPktNBNSParser>(protocols, ports)});
    out.push_back({PROTO_FTP_COMMAND, std::make_unique<CPktFTPCommandParser>()});
    out.push_back({PROTO_FTP_REPLY, std::make_unique<CPktFTPReplyParser>()});
    out.push_back({PROTO_SMTP_COMMAND, std::make_unique<CPktSMTPCommandParser>()});
    out.push_back({PROTO_SMTP_REPLY, std::make_unique<CPktSMTPReplyParser>()});
    out.push_back({PROTO_POP3_COMMAND, std::make_unique<CPktPOP3CommandParser>()});
    out.push_back({PROTO_POP3_REPLY, std::make_unique<CPktPOP3ReplyParser>()});
    out.push_back({PROTO_HTTP_REQUEST, std::make_unique<CPktHTTPRequestParser>()});
    out.push_back({PROTO_HTTP_RESPONSE, std::make_unique<CPktHTTPResponseParser>()});
    return out;
}

}  // namespace decode::app
