// The key tree: registry semantics (case-blind names, stable order, replace in place), the
// file it makes, and the files it must refuse or leave alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/KeyTree.h"
#include "platform/RegistryTestUtil.h"

namespace {

using platform::KeyCode;
using platform::KeyStatus;
using platform::KeyTree;

std::vector<std::string> Names(KeyTree& tree, platform::KeyHandle key) {
    std::vector<std::string> names;
    std::string name;
    for (std::size_t i = 0; tree.EnumValue(key, i, name).Ok(); ++i) names.push_back(name);
    return names;
}

std::unique_ptr<KeyTree> OpenOk(const std::string& path, KeyTree::Options options = {}) {
    KeyStatus status;
    auto tree = KeyTree::Open(path, status, options);
    EXPECT_TRUE(tree) << status.text;
    return tree;
}

TEST(KeyTree, BehavesAsARegistry) {
    const auto path = support::TempPath("deep/er/registry.sqlite");
    auto tree = OpenOk(path);
    platform::KeyHandle made = 0, opened = 0, missing = 0;
    ASSERT_TRUE(tree->CreateKey(platform::kLocalMachine, "SOFTWARE\\Maker\\\\App\\", made).Ok());
    ASSERT_TRUE(tree->OpenKey(platform::kLocalMachine, "software\\MAKER\\app", opened).Ok());
    EXPECT_EQ(made, opened) << "names ignore letter case; empty parts are skipped";
    EXPECT_EQ(tree->OpenKey(platform::kLocalMachine, "SOFTWARE\\Other", missing).code, KeyCode::NotFound);

    const std::vector<std::uint8_t> one = {1}, two = {2, 2};
    for (const char* name : {"zeta", "alpha", "mid"})
        ASSERT_TRUE(tree->SetValue(made, name, platform::ValueType::Binary, one).Ok());
    ASSERT_TRUE(tree->SetValue(made, "ALPHA", platform::ValueType::Binary, two).Ok());
    ASSERT_TRUE(tree->SetValue(made, "empty", platform::ValueType::Binary, {}).Ok());
    EXPECT_EQ(Names(*tree, made), (std::vector<std::string>{"zeta", "alpha", "mid", "empty"}))
        << "first-written order; a replaced value keeps its place and its name";
    platform::KeyValue value;
    std::size_t size = 9;
    ASSERT_TRUE(tree->QueryValue(made, "Alpha", value).Ok());
    EXPECT_EQ(value.data, two);
    ASSERT_TRUE(tree->QueryValueSize(made, "empty", size).Ok());
    EXPECT_EQ(size, 0U);
    EXPECT_TRUE(tree->DeleteValue(made, "MID").Ok());
    EXPECT_EQ(tree->DeleteValue(made, "mid").code, KeyCode::NotFound);
    std::string name;
    EXPECT_EQ(tree->EnumValue(made, 3, name).code, KeyCode::NoMoreItems);

    std::vector<KeyTree::KeyDump> keys;
    ASSERT_TRUE(tree->Export(keys).Ok());
    ASSERT_EQ(keys.size(), 6U) << "two roots with SOFTWARE each, and the two keys made";
    EXPECT_EQ(keys[3].path, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Maker\\App") << "parents first, in the case first written";
    EXPECT_EQ(keys[3].values.size(), 3U);

    // Owner-only from birth: the file and each folder it needed.
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600U);
    ASSERT_EQ(::stat(std::filesystem::path(path).parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700U);
}

TEST(KeyTree, RefusesFilesThatAreNotItsOwnAndLeavesThemAlone) {
    const auto garbage = support::TempPath("garbage.sqlite");
    const auto foreign = std::filesystem::path(garbage).replace_filename("foreign.sqlite").string();
    support::WriteText(garbage, std::string(4096, 'x'));
    testutil::Sql(foreign, "CREATE TABLE mail(id INTEGER); INSERT INTO mail VALUES(1);");
    for (const auto& path : {garbage, foreign}) {
        const auto before = support::ReadBytes(path);
        KeyStatus status;
        EXPECT_EQ(KeyTree::Open(path, status), nullptr);
        EXPECT_EQ(status.code, KeyCode::NotAStore);
        EXPECT_NE(status.text.find(path + " is not a settings store"), std::string::npos) << status.text;
        EXPECT_TRUE(support::ReadBytes(path) == before);
    }
}

TEST(KeyTree, ReadOnlyOpeningReadsAndNeverWrites) {
    const auto path = support::TempPath("registry.sqlite");
    const std::vector<std::uint8_t> data = {1, 2};
    ASSERT_TRUE(OpenOk(path)->SetValue(platform::kLocalMachine, "v", platform::ValueType::Binary, data).Ok());
    auto reader = OpenOk(path, {KeyTree::Access::ReadOnly, std::chrono::seconds(1)});
    platform::KeyValue value;
    EXPECT_TRUE(reader->QueryValue(platform::kLocalMachine, "v", value).Ok());
    const KeyStatus refused = reader->SetValue(platform::kLocalMachine, "w", platform::ValueType::Binary, data);
    EXPECT_EQ(refused.code, KeyCode::ReadOnly);
    EXPECT_NE(refused.text.find("is read-only"), std::string::npos) << refused.text;

    // A blank file opened read-only reads as an empty tree and stays blank.
    const auto blank = support::TempPath("blank.sqlite");
    support::WriteBytes(blank, {});
    std::vector<KeyTree::KeyDump> keys;
    EXPECT_TRUE(OpenOk(blank, {KeyTree::Access::ReadOnly, std::chrono::seconds(1)})->Export(keys).Ok());
    EXPECT_EQ(keys.size(), 4U);
    EXPECT_EQ(std::filesystem::file_size(blank), 0U);
}

TEST(KeyTree, APeerHoldingTheLockIsWaitedForThenReported) {
    const auto path = support::TempPath("registry.sqlite");
    auto tree = OpenOk(path, {KeyTree::Access::ReadWrite, std::chrono::milliseconds(50)});
    sqlite3* peer = testutil::Sql(path, "BEGIN EXCLUSIVE", true);
    const std::vector<std::uint8_t> data = {1};
    const KeyStatus busy = tree->SetValue(platform::kLocalMachine, "v", platform::ValueType::Binary, data);
    EXPECT_EQ(busy.code, KeyCode::Busy);
    EXPECT_NE(busy.text.find("is locked by another program"), std::string::npos) << busy.text;
    KeyStatus status;
    EXPECT_EQ(KeyTree::Open(path, status, {KeyTree::Access::ReadWrite, std::chrono::milliseconds(50)}), nullptr);
    EXPECT_EQ(status.code, KeyCode::Busy);
    sqlite3_exec(peer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(peer);
    EXPECT_TRUE(tree->SetValue(platform::kLocalMachine, "v", platform::ValueType::Binary, data).Ok());
}

}  // namespace
