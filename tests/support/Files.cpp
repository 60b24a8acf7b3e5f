#include "support/Files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace support {
namespace {

template <class Container>
Container Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ADD_FAILURE() << "cannot read " << path;
        return {};
    }
    return Container(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const std::string& path, const char* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
    if (!out) ADD_FAILURE() << "cannot write " << path;
}

}  // namespace

std::vector<std::uint8_t> ReadBytes(const std::string& path) { return Read<std::vector<std::uint8_t>>(path); }

std::string ReadText(const std::string& path) { return Read<std::string>(path); }

void WriteBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::string text(bytes.begin(), bytes.end());
    Write(path, text.data(), text.size());
}

void WriteText(const std::string& path, std::string_view text) { Write(path, text.data(), text.size()); }

}  // namespace support
