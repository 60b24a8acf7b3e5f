// Line by line over the whole text of a table file. A piece that lacks a required field,
// whose key does not parse or lies outside the kept range is skipped; the array tables keep
// the first definition of a key.
#include "tables/TableLoader.h"

#include <string>

#include "platform/LetterCase.h"
#include "tables/LookupTables.h"
#include "tables/TableText.h"

namespace tables {

namespace {

// Cuts every piece of the text into `leading` tokens and the rest, skipping comments and
// pieces with fewer than `required` tokens; calls accept(fields) for the others.
template <class Accept>
std::size_t ForEachLine(std::string_view text, std::size_t leading, std::size_t required, Accept accept) {
    TableText lines(text);
    std::string_view piece;
    std::size_t accepted = 0;
    while (lines.NextPiece(piece)) {
        const TableText::Fields fields = TableText::Cut(piece, leading);
        if (fields.count < required || fields.IsComment()) continue;
        if (accept(fields)) ++accepted;
    }
    return accepted;
}

// The last field trimmed; a field of nothing but white space counts as missing.
std::optional<std::string_view> RestOf(const TableText::Fields& fields) {
    if (!fields.rest) return std::nullopt;
    const std::string_view rest = TableText::Trim(*fields.rest);
    if (rest.empty()) return std::nullopt;
    return rest;
}

}  // namespace

std::size_t TableLoader::EtherTypes(std::string_view text, CPktEtherNums& table) {
    return ForEachLine(text, 1, 1, [&](const TableText::Fields& f) {
        const auto name = RestOf(f);
        if (!name) return false;
        const std::string_view key = TableText::Trim(f.token[0]);
        // Split at the first "-"; with nothing after it, both ends are the part before it.
        const std::size_t dash = key.find('-');
        std::string_view lowText = key.substr(0, dash);
        std::string_view highText = lowText;
        if (dash != std::string_view::npos && dash + 1 < key.size()) highText = key.substr(dash + 1);
        const auto low = TableText::ScanHex(lowText);
        const auto high = TableText::ScanHex(highText);
        if (!low || !high) return false;
        table.AddType(
            CPktEtherType{static_cast<std::uint16_t>(*low), static_cast<std::uint16_t>(*high), std::string(*name)});
        return true;
    });
}

std::size_t TableLoader::EtherVendors(std::string_view text, CPktEtherNums& table) {
    return ForEachLine(text, 1, 1, [&](const TableText::Fields& f) {
        const auto description = RestOf(f);
        if (!description) return false;
        const std::string_view key = TableText::Trim(f.token[0]);
        if (key.size() != 6) return false;
        CPktEtherVend entry;
        for (std::size_t i = 0; i < 3; ++i) {
            const auto byte = TableText::ScanHex(key.substr(i * 2, 2));
            if (!byte) return false;
            entry.prefix[i] = static_cast<std::uint8_t>(*byte);
        }
        const std::size_t blank = description->find_first_of(" \t");
        entry.shortName = std::string(TableText::Trim(description->substr(0, blank)));
        entry.description = std::string(*description);
        table.AddVendor(std::move(entry));
        return true;
    });
}

std::size_t TableLoader::VendorLinesIn(std::string_view text) noexcept {
    const auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); };
    std::size_t lines = 0;
    // Line by line on LF only: a file of CR line ends is counted low, and the list then grows.
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::size_t i = at;
        while (i < end && (text[i] == ' ' || text[i] == '\t')) ++i;
        std::size_t digits = 0;
        while (digits < 6 && i + digits < end && hex(text[i + digits])) ++digits;
        if (digits == 6 && i + 6 < end && (text[i + 6] == ' ' || text[i + 6] == '\t')) ++lines;
        at = end + 1;
    }
    return lines;
}

std::size_t TableLoader::ProtocolNumbers(std::string_view text, CPktIProtNums& table) {
    return ForEachLine(text, 2, 2, [&](const TableText::Fields& f) {
        const std::int64_t number = TableText::Atoi(TableText::Trim(f.token[0]));
        if (number < 0 || number > 255) return false;
        const auto description = RestOf(f);
        return table.Add(CPktIProtType{static_cast<std::uint8_t>(number), std::string(TableText::Trim(f.token[1])),
                                       std::string(description.value_or(std::string_view{}))});
    });
}

std::size_t TableLoader::PortNumbers(std::string_view text, CPktWPortNums& table) {
    return ForEachLine(text, 2, 2, [&](const TableText::Fields& f) {
        const std::string_view portProto = TableText::Trim(f.token[1]);
        const std::size_t slash = portProto.find('/');
        if (slash == std::string_view::npos) return false;
        const std::string_view portText = TableText::Trim(portProto.substr(0, slash));
        const std::string_view protoText = TableText::Trim(portProto.substr(slash + 1));
        if (portText.empty() || protoText.empty()) return false;
        const std::int64_t port = TableText::Atoi(portText);
        if (port < 0 || port >= static_cast<std::int64_t>(CPktWPortNums::kSlots)) return false;
        const auto description = RestOf(f);
        CPktWPortType entry{static_cast<std::uint16_t>(port), std::string(TableText::Trim(f.token[0])),
                            std::string(description.value_or(std::string_view{}))};
        if (platform::EqualsIgnoringCase(protoText, "tcp")) return table.AddTcp(std::move(entry));
        if (platform::EqualsIgnoringCase(protoText, "udp")) return table.AddUdp(std::move(entry));
        return false;
    });
}

std::size_t TableLoader::TcpOptions(std::string_view text, CPktTCPNums& table) {
    return ForEachLine(text, 2, 2, [&](const TableText::Fields& f) {
        const auto name = RestOf(f);
        if (!name) return false;
        const std::int64_t kind = TableText::Atoi(TableText::Trim(f.token[0]));
        if (kind < 0 || kind >= static_cast<std::int64_t>(CPktTCPNums::kSlots)) return false;
        const std::int64_t length = TableText::Atoi(TableText::Trim(f.token[1]));
        return table.Add(
            CPktTCPOptType{static_cast<std::uint8_t>(kind), static_cast<std::uint8_t>(length), std::string(*name)});
    });
}

}  // namespace tables
