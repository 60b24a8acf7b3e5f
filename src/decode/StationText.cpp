// Hardware address texts with vendor names.
#include "decode/StationText.h"

#include "core/Printf.h"
#include "decode/TextAppend.h"

namespace decode {

namespace {
constexpr std::size_t kMacLength = 6;
}  // namespace

void AppendHexBytes(std::string& out, std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes) AppendHex(out, b, 2);
}

void AppendStation(std::string& out, const tables::CPktEtherNums& names, std::span<const std::uint8_t> address) {
    const std::string* vendor =
        address.size() == kMacLength ? names.FindVendor(address[0], address[1], address[2]) : nullptr;
    if (vendor != nullptr) {
        AppendPadded(out, *vendor, 6);
        AppendHexBytes(out, address.subspan(3));
    } else {
        AppendHexBytes(out, address);
    }
}

std::string VendorLine(const tables::CPktEtherNums& names, std::span<const std::uint8_t> address) {
    if (address.size() < 3) return " Vendor = Unknown";
    const unsigned b1 = address[0];
    const unsigned b2 = address[1];
    const unsigned b3 = address[2];
    // A known vendor's short name takes six places; "Unknown" is shown whole.
    const std::string* vendor = names.FindVendor(address[0], address[1], address[2]);
    return vendor != nullptr ? core::Printf(" Vendor = %-6.6s (%.2X%.2X%.2X)", vendor->c_str(), b1, b2, b3)
                             : core::Printf(" Vendor = Unknown (%.2X%.2X%.2X)", b1, b2, b3);
}

CPktDetailLine& AddHardwareAddress(CPktDetailLine& parent, std::string_view prefix, std::string_view label,
                                   const tables::CPktEtherNums& names, std::span<const std::uint8_t> address) {
    std::string text(" ");
    text.append(label);
    text.append(" = ");
    AppendHexBytes(text, address);
    // An address read from the frame names its bytes; a copy names none.
    CPktDetailLine& line = parent.Add(prefix, std::move(text), address);
    if (address.size() == kMacLength) line.Add(prefix, VendorLine(names, address), address.first(3));
    return line;
}

}  // namespace decode
