// No profile is ever lost: not past twenty, not to a failure half way through a save, not to
// two programs saving at once, not to a value or a file that cannot be read.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "profiles/SessionProfilesModel.h"
#include "platform/RegistryTestUtil.h"

namespace {

using profiles::ProfileForm;
using profiles::SessionProfilesModel;

ProfileForm Form(const std::string& name) {
    ProfileForm f;
    f.name = name;
    f.serverAddress = "host-" + name;
    return f;
}

struct SaveTest : ::testing::Test {
    std::string path = support::TempPath("registry.sqlite");
    core::RecordingPrompt prompt;
    profiles::ProfileStore store{prompt, path};

    std::unique_ptr<SessionProfilesModel> Loaded() {
        auto m = std::make_unique<SessionProfilesModel>(store, prompt);
        m->Load();
        return m;
    }
    std::vector<settings::StoredValue> Values() {
        settings::CSettingsStore raw(profiles::kProfilesKey, prompt, path);
        return raw.ReadAllValues().Value();
    }
    static std::string Name(int i) { return "p" + std::string(i < 10 ? "0" : "") + std::to_string(i); }
};

TEST_F(SaveTest, ThirtyProfilesSurviveASaveAndAFailedOneLeavesTheOldSet) {
    auto model = Loaded();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(model->New(Form(Name(i))));
    ASSERT_TRUE(model->Save());
    const auto before = Values();
    for (int i = 29; i >= 5; --i) ASSERT_TRUE(model->New(Form(Name(i))));
    model->Select(0);
    ASSERT_TRUE(model->Delete());

    // The disk fills up while the fifteenth profile is written.
    testutil::Sql(path,
                  "CREATE TRIGGER full BEFORE INSERT ON vals WHEN NEW.name = 'p15' "
                  "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;");
    EXPECT_FALSE(model->Save());
    EXPECT_EQ(prompt.Messages().back().text.rfind(
                  "Session profiles could not be saved; the stored profiles are unchanged.\n", 0),
              0U);
    const auto after = Values();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i)
        EXPECT_TRUE(after[i].name == before[i].name && after[i].data == before[i].data);
    EXPECT_TRUE(model->Modified()) << "the changes wait for the next try";

    testutil::Sql(path, "DROP TRIGGER full");
    ASSERT_TRUE(model->Save());
    auto reloaded = Loaded();
    ASSERT_EQ(reloaded->Count(), 29U);
    for (int i = 1; i < 30; ++i) {
        const auto at = reloaded->Find(Name(i));
        ASSERT_TRUE(at) << i;
        EXPECT_EQ(reloaded->ProfileAt(*at)->serverAddress, "host-" + Name(i));
    }
    const auto values = Values();
    EXPECT_EQ(values.front().name, "p01");
    EXPECT_EQ(values.back().name, "p29") << "stored in alphabetical order";
}

TEST_F(SaveTest, TwoProgramsSavingAtOnceLoseNothing) {
    auto seed = Loaded();
    ASSERT_TRUE(seed->New(Form("shared")));
    ASSERT_TRUE(seed->Save());
    std::vector<pid_t> children;
    for (const char* who : {"a", "b"}) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // Each program loaded the list before the other saved, and saves after each New.
            core::RecordingPrompt quiet;
            profiles::ProfileStore own(quiet, path);
            SessionProfilesModel m(own, quiet);
            m.Load();
            bool ok = true;
            for (int i = 0; i < 15; ++i) ok = ok && m.New(Form(who + Name(i))) && m.Save();
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(Loaded()->Count(), 31U);
}

TEST_F(SaveTest, AnUnreadableValueKeepsItsBytesUntilEditedOrDeleted) {
    settings::CSettingsStore raw(profiles::kProfilesKey, prompt, path);
    const std::vector<std::uint8_t> garbage = {9, 'l', 'o', 'c', 'a', 'l'};
    ASSERT_TRUE(raw.WriteBinary("broken", garbage));
    auto model = Loaded();
    ASSERT_EQ(prompt.Messages().size(), 1U);
    EXPECT_NE(prompt.Messages()[0].text.find("\nbroken: server address: archive ends early"), std::string::npos)
        << prompt.Messages()[0].text;
    const auto at = model->Find("broken");
    ASSERT_TRUE(at);
    EXPECT_EQ(model->ProfileAt(*at), nullptr);
    model->SetTypedText("broken");
    EXPECT_FALSE(model->Ok()) << "an unreadable profile opens no capture";

    ASSERT_TRUE(model->New(Form("fine")));
    ASSERT_TRUE(model->Save());
    std::vector<std::uint8_t> kept;
    ASSERT_TRUE(raw.ReadBinary("broken", kept));
    EXPECT_EQ(kept, garbage);

    model->Select(model->Find("broken"));
    ProfileForm repaired = *model->FormForEdit();
    repaired.serverAddress = "10.9.9.9";
    ASSERT_TRUE(model->Edit(repaired));
    ASSERT_TRUE(model->Save());
    auto again = Loaded();
    EXPECT_EQ(again->ProfileAt(*again->Find("broken"))->serverAddress, "10.9.9.9");
}

TEST_F(SaveTest, AFileThatIsNoStoreIsToldAndLeftAlone) {
    const std::vector<std::uint8_t> text(2048, 'Z');
    support::WriteBytes(path, text);
    auto model = Loaded();
    ASSERT_EQ(prompt.Messages().size(), 1U);
    EXPECT_EQ(prompt.Messages()[0].text,
              "Session profiles could not be read:\n" + path + " is not a settings store (file is not a database)");
    ASSERT_TRUE(model->New(Form("x")));
    EXPECT_FALSE(model->Save());
    EXPECT_TRUE(support::ReadBytes(path) == text);
}

}  // namespace
