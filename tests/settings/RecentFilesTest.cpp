// The Recent Files list: its order, its length, and what a stored value can and cannot do to it.
#include <gtest/gtest.h>

#include "settings/RecentFiles.h"

namespace {

using Paths = std::vector<std::string>;

settings::RecentFiles Load(const std::vector<std::uint8_t>& bytes) {
    settings::RecentFiles recent;
    core::Archive ar{std::span<const std::uint8_t>(bytes)};
    recent.Serialize(ar);
    return recent;
}

TEST(RecentFiles, NewestFirstEachOnceAtMostEight) {
    settings::RecentFiles recent;
    for (const char* path : {"a", "b", "a", "", "c"}) recent.Add(path);
    EXPECT_EQ(recent.Paths(), (Paths{"c", "a", "b"}));
    EXPECT_TRUE(recent.Remove("a"));
    EXPECT_FALSE(recent.Remove("a"));
    EXPECT_EQ(recent.Paths(), (Paths{"c", "b"}));
    for (int i = 0; i < 10; ++i) recent.Add("f" + std::to_string(i));
    ASSERT_EQ(recent.Paths().size(), settings::kMaxRecentFiles);
    EXPECT_EQ(recent.Paths().front(), "f9");
    EXPECT_EQ(recent.Paths().back(), "f2");
}

// Stored and loaded again it is the same list; a stored list longer than the menu's, or with
// repeats, loads as the menu would have kept it; a damaged value throws and an unknown
// schema loads as empty.
TEST(RecentFiles, StoredListsLoadAsTheMenuKeepsThem) {
    const auto stored = [](const Paths& paths, std::uint32_t schema = core::kSchema) {
        std::vector<std::uint8_t> bytes;
        core::Archive ar(bytes);
        ar.WriteU32(schema);
        ar.WriteCount(static_cast<std::uint32_t>(paths.size()));
        for (const auto& p : paths) ar.WriteString(p);
        return bytes;
    };
    settings::RecentFiles recent;
    for (const char* path : {"/t/one.tns", "/t/two.tns"}) recent.Add(path);
    std::vector<std::uint8_t> bytes;
    core::Archive out(bytes);
    recent.Serialize(out);
    EXPECT_EQ(bytes, stored({"/t/two.tns", "/t/one.tns"}));
    EXPECT_EQ(Load(bytes).Paths(), recent.Paths());

    Paths many;
    for (int i = 0; i < 12; ++i) many.push_back("p" + std::to_string(i));
    EXPECT_EQ(Load(stored(many)).Paths(), (Paths{"p0", "p1", "p2", "p3", "p4", "p5", "p6", "p7"}));
    EXPECT_EQ(Load(stored({"x", "", "y", "x"})).Paths(), (Paths{"x", "y"}));
    EXPECT_TRUE(Load(stored({"x"}, 2)).Paths().empty());

    auto cut = stored({"/t/one.tns"});
    cut.resize(cut.size() - 3);
    EXPECT_THROW(Load(cut), core::ArchiveException);
    auto claims = stored({});
    claims[4] = 200;  // a count of 200 paths over no bytes
    EXPECT_THROW(Load(claims), core::ArchiveException);
}

}  // namespace
