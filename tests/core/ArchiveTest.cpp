// Archive stream: the framework's exact encodings at their boundaries, and loads that must
// stop at the end of the bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Archive.h"

namespace {

using core::Archive;
using core::ArchiveException;
using Bytes = std::vector<std::uint8_t>;

// A length prefix followed by that many characters.
Bytes PrefixAndText(Bytes prefix, std::size_t characters) {
    prefix.insert(prefix.end(), characters, 'x');
    return prefix;
}

TEST(Archive, StringLengthPrefixesAtEveryBoundary) {
    struct Case {
        std::size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {1, {0x01}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {0x10000, {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
    };
    for (const auto& c : cases) {
        const std::string text(c.length, 'x');
        Bytes out;
        Archive store(out);
        store.WriteString(text);
        ASSERT_EQ(out.size(), c.prefix.size() + c.length) << c.length;
        EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(c.prefix.size())), c.prefix) << c.length;
        Archive load{std::span<const std::uint8_t>(out)};
        EXPECT_EQ(load.ReadString(), text) << c.length;
        EXPECT_EQ(load.Remaining(), 0u);
    }
}

TEST(Archive, CountsUseTheEscapeFromFFFFOn) {
    struct Case {
        std::uint32_t count;
        Bytes bytes;
    };
    const Case cases[] = {
        {0, {0x00, 0x00}},
        {0xFFFE, {0xFE, 0xFF}},
        {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {0x12345678, {0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12}},
    };
    for (const auto& c : cases) {
        Bytes out;
        Archive store(out);
        store.WriteCount(c.count);
        EXPECT_EQ(out, c.bytes) << c.count;
        Archive load{std::span<const std::uint8_t>(out)};
        EXPECT_EQ(load.ReadCount(), c.count);
    }
}

TEST(Archive, IntegersAreLittleEndianAtTheirWidth) {
    Bytes out;
    Archive store(out);
    store.WriteU8(0x01);
    store.WriteU16(0x0302);
    store.WriteU32(0x07060504);
    store.WriteI32(-2);
    EXPECT_EQ(out, (Bytes{1, 2, 3, 4, 5, 6, 7, 0xFE, 0xFF, 0xFF, 0xFF}));
    Archive load{std::span<const std::uint8_t>(out)};
    EXPECT_EQ(load.ReadU8(), 1);
    EXPECT_EQ(load.ReadU16(), 0x0302);
    EXPECT_EQ(load.ReadU32(), 0x07060504u);
    EXPECT_EQ(load.ReadI32(), -2);
}

// Every read that would pass the end throws end-of-file. A writer has one form for each count
// and length; a longer one would load and then store back as other bytes, so it is refused
// before anything behind it is read.
TEST(Archive, ReadsThatCannotLoadThrowTheirCause) {
    using Cause = ArchiveException::Cause;
    struct Case {
        const char* name;
        Bytes bytes;
        void (*read)(Archive&);
        Cause cause;
    };
    const auto string = [](Archive& a) { a.ReadString(); };
    const auto count = [](Archive& a) { a.ReadCount(); };
    const Case cases[] = {
        {"u8 of nothing", {}, [](Archive& a) { a.ReadU8(); }, Cause::EndOfFile},
        {"u16 of one byte", {1}, [](Archive& a) { a.ReadU16(); }, Cause::EndOfFile},
        {"u32 of three bytes", {1, 2, 3}, [](Archive& a) { a.ReadU32(); }, Cause::EndOfFile},
        {"count escape without its word", {0xFF, 0xFF, 1}, count, Cause::EndOfFile},
        {"string longer than the stream", {0x05, 'a', 'b'}, string, Cause::EndOfFile},
        {"string claiming 4 GiB", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, string, Cause::EndOfFile},
        {"string escape cut short", {0xFF, 0x10}, string, Cause::EndOfFile},
        {"bytes beyond the end", {1, 2}, [](Archive& a) { a.ReadBytes(3); }, Cause::EndOfFile},
        {"length 0 in 3 bytes", {0xFF, 0x00, 0x00}, string, Cause::BadValue},
        {"length 254 in 3 bytes", PrefixAndText({0xFF, 0xFE, 0x00}, 254), string, Cause::BadValue},
        {"length 2 in 7 bytes", {0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 'a', 'b'}, string, Cause::BadValue},
        {"length 0xFFFD in 7 bytes", PrefixAndText({0xFF, 0xFF, 0xFF, 0xFD, 0xFF, 0x00, 0x00}, 0xFFFD), string,
         Cause::BadValue},
        {"length 0xFFFE in 3 bytes", PrefixAndText({0xFF, 0xFE, 0xFF}, 0xFFFE), string, Cause::BadValue},
        {"count 0 in 6 bytes", {0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}, count, Cause::BadCount},
        {"count 0xFFFE in 6 bytes", {0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}, count, Cause::BadCount},
    };
    for (const auto& c : cases) {
        Archive load{std::span<const std::uint8_t>(c.bytes)};
        try {
            c.read(load);
            ADD_FAILURE() << c.name << ": no exception";
        } catch (const ArchiveException& e) {
            EXPECT_EQ(e.GetCause(), c.cause) << c.name;
        }
    }
}

}  // namespace
