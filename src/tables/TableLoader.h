// The five table file formats: each function takes a file's whole text, applies the line
// rules and adds every accepted line to the table. Returns the number of lines accepted.
#pragma once

#include <cstddef>
#include <string_view>

namespace tables {

class CPktEtherNums;
class CPktIProtNums;
class CPktWPortNums;
class CPktTCPNums;

class TableLoader {
public:
    // type-or-range (hex), name
    static std::size_t EtherTypes(std::string_view text, CPktEtherNums& table);
    // six hex digits, description
    static std::size_t EtherVendors(std::string_view text, CPktEtherNums& table);
    // Lines that begin with six hex digits and a blank or tab: about the vendor entries the
    // text holds and never more than it could (blank lines count for nothing), so the list
    // can be sized once.
    static std::size_t VendorLinesIn(std::string_view text) noexcept;
    // number, keyword, optional description
    static std::size_t ProtocolNumbers(std::string_view text, CPktIProtNums& table);
    // keyword, port/protocol, optional description
    static std::size_t PortNumbers(std::string_view text, CPktWPortNums& table);
    // kind, length, name
    static std::size_t TcpOptions(std::string_view text, CPktTCPNums& table);
};

}  // namespace tables
