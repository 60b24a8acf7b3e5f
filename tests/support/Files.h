// Whole files in and out, for fixtures, snapshots and what programs wrote. A file that cannot
// be read or written fails the running test with its path, and reads as empty.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace support {

std::vector<std::uint8_t> ReadBytes(const std::string& path);
std::string ReadText(const std::string& path);

// Replaces the file's contents.
void WriteBytes(const std::string& path, std::span<const std::uint8_t> bytes);
void WriteText(const std::string& path, std::string_view text);

}  // namespace support
