// Number and address formatting into an existing text.
#include "decode/TextAppend.h"

#include <array>
#include <charconv>
#include <cmath>

namespace decode {

void AppendDec(std::string& out, std::uint64_t value) {
    std::array<char, 24> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    out.append(buf.data(), res.ptr);
}

void AppendSignedDec(std::string& out, std::int64_t value) {
    std::array<char, 24> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    out.append(buf.data(), res.ptr);
}

void AppendHex(std::string& out, std::uint32_t value, int minDigits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::array<char, 8> buf{};
    int n = 0;
    do {
        buf[static_cast<std::size_t>(7 - n)] = kDigits[value & 0xFU];
        value >>= 4;
        ++n;
    } while (value != 0 && n < 8);
    for (int pad = n; pad < minDigits; ++pad) out.push_back('0');
    out.append(buf.data() + (8 - n), static_cast<std::size_t>(n));
}

void AppendDotted(std::string& out, std::uint32_t address) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        AppendDec(out, (address >> shift) & 0xFFU);
        if (shift != 0) out.push_back('.');
    }
}

std::string WithDotted(std::string_view text, std::uint32_t address) {
    std::string out(text);
    AppendDotted(out, address);
    return out;
}

void AppendIPv6(std::string& out, std::span<const std::uint8_t, 16> address) {
    std::array<unsigned, 8> groups{};
    for (std::size_t i = 0; i < groups.size(); ++i) groups[i] = (unsigned{address[2 * i]} << 8U) | address[2 * i + 1];
    // The longest run of zero groups; a single zero group is not shortened.
    std::size_t bestStart = groups.size();
    std::size_t bestLength = 0;
    for (std::size_t i = 0; i < groups.size();) {
        if (groups[i] != 0) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < groups.size() && groups[end] == 0) ++end;
        if (end - i > bestLength) {
            bestStart = i;
            bestLength = end - i;
        }
        i = end;
    }
    if (bestLength < 2) bestStart = groups.size();
    // ::a.b.c.d (compatible, not :: or ::1) and ::ffff:a.b.c.d (mapped) keep their IPv4 part
    // dotted, as inet_ntop writes them.
    const bool embedsIPv4 = bestStart == 0 && (bestLength == 6 || (bestLength == 5 && groups[5] == 0xFFFF));
    if (embedsIPv4) {
        out.append(bestLength == 5 ? "::ffff:" : "::");
        AppendDotted(out, (groups[6] << 16U) | groups[7]);
        return;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (i == bestStart) {
            out.append("::");
            i += bestLength - 1;
            continue;
        }
        if (i != 0 && i != bestStart + bestLength) out.push_back(':');
        bool started = false;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const unsigned digit = (groups[i] >> static_cast<unsigned>(shift)) & 0xFU;
            if (digit == 0 && !started && shift != 0) continue;
            started = true;
            out.push_back(kDigits[digit]);
        }
    }
}

void AppendPadded(std::string& out, std::string_view text, std::size_t width) {
    const std::string_view cut = text.substr(0, width);
    out.append(cut);
    out.append(width - cut.size(), ' ');
}

void AppendDeltaMs(std::string& out, float deltaMs) {
    // Stamps from a damaged file can give any float; no value may reach an integer cast
    // it does not fit.
    const double whole = std::trunc(static_cast<double>(deltaMs));
    if (!std::isfinite(whole)) {
        out.push_back('0');
        return;
    }
    if (std::fabs(whole) < 9.0e18) {
        AppendSignedDec(out, static_cast<std::int64_t>(whole));
        return;
    }
    std::array<char, 64> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), whole, std::chars_format::fixed, 0);
    out.append(buf.data(), res.ptr);
}

}  // namespace decode
