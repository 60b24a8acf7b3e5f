// Letter case for the names that are matched without regard to it: services and their
// ".service" suffix, hosts, profile names, option words, table keywords, protocol commands.
// ASCII letters only: those names are ASCII, and a match must not change with the locale
// the program runs in. Every other byte stays as it is and compares by its value.
#pragma once

#include <string>
#include <string_view>

namespace platform {

constexpr char AsciiLower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char AsciiUpper(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string AsciiLowered(std::string_view text);
std::string AsciiUppered(std::string_view text);

// Below 0, 0 or above 0 as a comes before, equals or follows b with case ignored; a prefix
// comes first.
int CompareIgnoringCase(std::string_view a, std::string_view b) noexcept;
bool EqualsIgnoringCase(std::string_view a, std::string_view b) noexcept;
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) noexcept;
bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) noexcept;

}  // namespace platform
