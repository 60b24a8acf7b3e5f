// The settings store: the key chain, objects as values, the list operations with their
// counts, and a whole-set replacement that a failure half way leaves untouched.
#include <gtest/gtest.h>

#include "platform/RegistryTestUtil.h"
#include "settings/CSettingsStore.h"
#include "settings/PanePreferences.h"

namespace {

using settings::CSettingsStore;
using settings::SerializerOf;

// A record that loads all or nothing, as every stored record of ours does.
struct Item {
    std::string text;
    std::uint32_t number = 0;
    void Serialize(core::Archive& ar) {
        if (ar.IsStoring()) {
            ar.WriteString(text);
            ar.WriteU32(number);
            return;
        }
        std::string t = ar.ReadString();
        number = ar.ReadU32();
        text = std::move(t);
    }
};

struct StoreFixture : ::testing::Test {
    std::string path = support::TempPath("registry.sqlite");
    core::RecordingPrompt prompt;
    CSettingsStore store{"Client\\Profiles", prompt, path};

    void Put(const std::string& name, std::uint32_t number) {
        Item item{name, number};
        ASSERT_TRUE(store.StoreObject(name, SerializerOf(item))) << store.LastError();
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        const auto values = store.ReadAllValues();
        for (const auto& v : values.Value()) names.push_back(v.name);
        return names;
    }
};

TEST_F(StoreFixture, ListsLoadInEnumerationOrderAndCountWhatTheyMet) {
    std::vector<Item> items(20);
    std::vector<settings::SettingsEntry> entries;
    for (auto& item : items) entries.push_back({"", SerializerOf(item)});
    EXPECT_EQ(store.LoadObjects(entries), 0U) << "an empty sub-key";
    EXPECT_EQ(store.DeleteAllValues(), 0U);

    for (std::uint32_t i = 0; i < 25; ++i) Put("v" + std::to_string(24 - i), i);
    Put("v24", 100);  // replaces the data, keeps the place
    ASSERT_TRUE(store.WriteBinary("v20", {}));
    EXPECT_EQ(store.LoadObjects(entries), 20U);
    EXPECT_EQ(entries[0].name, "v24");
    EXPECT_EQ(items[0].number, 100U);
    EXPECT_EQ(entries[19].name, "v5");
    EXPECT_EQ(items[19].number, 19U);
    Item untouched{"kept", 9};
    EXPECT_FALSE(store.LoadObject("v20", SerializerOf(untouched))) << "an empty value is a missing one";
    EXPECT_EQ(items[4].text, "") << "and its slot, though counted, is not filled";
    EXPECT_EQ(untouched.text, "kept");
    EXPECT_TRUE(prompt.Messages().empty());

    EXPECT_EQ(store.DeleteAllValues(), 25U);
    EXPECT_TRUE(Names().empty());
    EXPECT_EQ(store.KeyPath(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Dovrin\\Palomet 1.0\\1.00.003\\Client\\Profiles");
}

TEST_F(StoreFixture, ARefusedReplacementChangesNothingAndEnumerationErrorsAreTold) {
    for (std::uint32_t i = 0; i < 5; ++i) Put("old" + std::to_string(i), i);
    const auto before = Names();
    EXPECT_FALSE(store
                     .ReplaceAllValues([](auto& values) {
                         values.clear();
                         return core::Status(core::Fail(core::ErrorKind::Corrupt, "no"));
                     })
                     .Ok());
    EXPECT_EQ(Names(), before);

    // A sub-key that cannot be enumerated is told in the "GetLastError" box, once.
    testutil::Sql(path, "ALTER TABLE vals RENAME TO gone");
    std::vector<settings::SettingsEntry> entries(3);
    EXPECT_EQ(store.LoadObjects(entries), 0U);
    ASSERT_EQ(prompt.Messages().size(), 1U);
    EXPECT_EQ(prompt.Messages()[0].text.rfind("GetLastError: ", 0), 0U) << prompt.Messages()[0].text;
}

}  // namespace

namespace {

// The bytes pane's preference: shown until hidden, kept across stores, and a value some
// other writer left that is not one byte of 0 or 1 reads as the default.
TEST(PanePreferences, BytesPaneShownUntilHiddenAndRemembered) {
    const std::string path = support::TempPath("panes.sqlite");
    EXPECT_TRUE(settings::LoadBytesPaneShown(path));
    ASSERT_TRUE(settings::StoreBytesPaneShown(false, path));
    EXPECT_FALSE(settings::LoadBytesPaneShown(path));
    ASSERT_TRUE(settings::StoreBytesPaneShown(true, path));
    EXPECT_TRUE(settings::LoadBytesPaneShown(path));

    core::RecordingPrompt prompt;
    CSettingsStore store{settings::kWorkbenchSubKey, prompt, path};
    for (const std::vector<std::uint8_t>& odd : {std::vector<std::uint8_t>{0, 0}, {7}}) {
        ASSERT_TRUE(store.WriteBinary("BytesPane", odd));
        EXPECT_TRUE(settings::LoadBytesPaneShown(path));
    }
    EXPECT_TRUE(prompt.Messages().empty());
}

}  // namespace
