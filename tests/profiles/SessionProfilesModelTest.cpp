// The Session Profiles dialog's rules, run against a real registry file without a display.
#include <gtest/gtest.h>

#include <set>

#include "profiles/SessionProfilesModel.h"
#include "platform/RegistryTestUtil.h"

namespace {

using profiles::CSessionProfile;
using profiles::ProfileForm;
using profiles::SessionProfilesModel;

ProfileForm Form(const std::string& name, const std::string& server) {
    ProfileForm f;
    f.name = name;
    f.serverAddress = server;
    f.traceFile = "/tmp/" + (name.empty() ? server : name) + ".tns";
    return f;
}

struct ModelTest : ::testing::Test {
    std::string path = support::TempPath("registry.sqlite");
    core::RecordingPrompt prompt;
    profiles::ProfileStore store{prompt, path};
    std::set<std::string> openTraces;
    std::unique_ptr<SessionProfilesModel> model = Reload();

    std::unique_ptr<SessionProfilesModel> Reload() {
        auto m = std::make_unique<SessionProfilesModel>(
            store, prompt, [this](const std::string& p) { return openTraces.count(p) > 0; });
        m->Load();
        return m;
    }
    std::vector<std::string> Names(const SessionProfilesModel& m) const {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < m.Count(); ++i) names.push_back(m.NameAt(i));
        return names;
    }
    std::string LastMessage() const { return prompt.Messages().empty() ? "" : prompt.Messages().back().text; }
    void Stored(std::initializer_list<const char*> names) {
        for (const char* n : names) ASSERT_TRUE(model->New(Form(n, std::string("host-") + n)));
        ASSERT_TRUE(model->Save());
    }
};

TEST_F(ModelTest, ASavedProfileReloadsWithEverySetting) {
    ProfileForm f = Form("lab", "10.0.0.5");
    f.queueLength = 7;
    f.limitMode = 3;
    f.sizeUnit = 2;
    f.sizeValue = 10;
    f.timeUnit = 1;
    f.timeValue = 30;
    f.layers = {true, false, true, false, true, false, true, false, true, false, true};
    f.filterType = 1;
    ASSERT_TRUE(model->New(f));
    EXPECT_TRUE(model->Modified());
    // Created with an empty name, listed and stored under its server address, however long.
    const std::string longHost(profiles::kMaxServerLength, 'h');
    ASSERT_TRUE(model->New(Form("", longHost)));
    ASSERT_TRUE(model->Save());
    EXPECT_FALSE(model->Modified());
    auto again = Reload();
    EXPECT_EQ(Names(*again), (std::vector<std::string>{longHost, "lab"}));
    again->Select(again->Find("lab"));
    EXPECT_EQ(again->FormForEdit(), f);
    EXPECT_TRUE(prompt.Messages().empty());
}

TEST_F(ModelTest, OnlyTheChosenLimitsAreKept) {
    ProfileForm f = Form("t", "h");
    f.limitMode = 2;  // "Limit tracing time", 30 Minutes, whatever the size fields show
    f.timeValue = 30;
    f.timeUnit = 1;
    f.sizeValue = 99;
    f.sizeUnit = 2;
    ASSERT_TRUE(model->New(f));
    const CSessionProfile& p = *model->ProfileAt(0);
    EXPECT_EQ((std::vector<std::int32_t>{p.limitMode, p.timeUnit, p.timeValue, p.sizeUnit, p.sizeValue}),
              (std::vector<std::int32_t>{2, 1, 30, 0, 0}));
}

TEST_F(ModelTest, RefusedSheetsChangeNothing) {
    Stored({"lab", "other"});
    struct Case {
        const char* what;
        std::function<void(ProfileForm&)> spoil;
        std::string message;
    };
    const std::string tooLong = "Please enter no more than ";
    const Case cases[] = {
        {"no server", [](ProfileForm& f) { f.serverAddress.clear(); }, std::string(profiles::kServerNotEntered)},
        {"name in other case", [](ProfileForm& f) { f.name = "LAB"; },
         "A session profile named \"lab\" already exists.\n"},
        {"name 28", [](ProfileForm& f) { f.name.assign(28, 'n'); }, tooLong + "27 characters."},
        {"trace 251", [](ProfileForm& f) { f.traceFile.assign(251, 't'); }, tooLong + "250 characters."},
        {"queue 0", [](ProfileForm& f) { f.queueLength = 0; }, "Please enter an integer between 1 and 3000."},
        {"negative size", [](ProfileForm& f) { f.sizeValue = -1; },
         "Please enter an integer between 0 and 2147483647."},
        {"time 2^31", [](ProfileForm& f) { f.timeValue = 2147483648; },
         "Please enter an integer between 0 and 2147483647."},
    };
    for (const auto& c : cases) {
        ProfileForm fresh = Form("new", "h");
        c.spoil(fresh);
        EXPECT_FALSE(model->New(fresh)) << c.what;
        EXPECT_EQ(LastMessage().rfind(c.message, 0), 0U) << c.what << ": " << LastMessage();
        model->Select(model->Find("other"));
        ProfileForm edited = *model->FormForEdit();
        c.spoil(edited);
        EXPECT_FALSE(model->Edit(edited)) << c.what;
        EXPECT_EQ(Names(*model), (std::vector<std::string>{"lab", "other"})) << c.what;
        EXPECT_EQ(model->ProfileAt(1)->serverAddress, "host-other") << c.what;
    }
    EXPECT_FALSE(model->Modified());
    // A profile may take its own name in other letter case.
    model->Select(model->Find("lab"));
    ProfileForm renamed = *model->FormForEdit();
    renamed.name = "LAB";
    ASSERT_TRUE(model->Edit(renamed));
    model->Select(std::nullopt);
    EXPECT_FALSE(model->Delete()) << "nothing selected";
    ASSERT_TRUE(model->Save());
    EXPECT_EQ(Names(*Reload()), (std::vector<std::string>{"LAB", "other"}));
}

TEST_F(ModelTest, OkPicksTheTypedProfileOrADefaultOnTheTypedHost) {
    Stored({"lab"});
    ::setenv("XDG_DATA_HOME", "/data", 1);
    model->SetTypedText("LaB");
    ASSERT_TRUE(model->Ok()) << LastMessage();
    EXPECT_EQ(model->TakeChosenProfile()->serverAddress, "host-lab") << "the lookup ignores letter case";

    model->SetTypedText("192.0.2.7");
    ASSERT_TRUE(model->Ok());
    const auto typed = model->TakeChosenProfile();
    EXPECT_EQ(typed->serverAddress, "192.0.2.7");
    EXPECT_EQ(typed->serverQueueLength, 60);
    EXPECT_EQ(typed->traceFile, "/data/palomet/capture.tns");
    EXPECT_EQ(typed->limitMode, 0);
    ::unsetenv("XDG_DATA_HOME");

    openTraces.insert("/tmp/lab.tns");
    model->Select(0);
    EXPECT_FALSE(model->Ok());
    EXPECT_EQ(LastMessage(), "Tracefile /tmp/lab.tns\n is already opened!");
    EXPECT_EQ(model->TakeChosenProfile(), nullptr);
    model->SetTypedText("");
    EXPECT_FALSE(model->Ok());
    EXPECT_EQ(LastMessage(), profiles::kServerNotEntered);
}

TEST_F(ModelTest, CancelStillSavesWhatWasDone) {
    Stored({"a", "b"});
    model->Select(model->Find("a"));
    ASSERT_TRUE(model->Delete());
    EXPECT_TRUE(model->Cancel());
    EXPECT_EQ(Names(*Reload()), (std::vector<std::string>{"b"}));
}

TEST_F(ModelTest, ProfilesMeetTheirNamesWhateverTheStoredOrder) {
    settings::CSettingsStore raw(profiles::kProfilesKey, prompt, path);
    for (const char* name : {"zulu", "Mike", "alpha"}) {
        CSessionProfile p;
        p.serverAddress = std::string("host-") + name;
        ASSERT_TRUE(raw.WriteBinary(name, profiles::StoredForm(p)));
    }
    auto loaded = Reload();
    ASSERT_EQ(Names(*loaded), (std::vector<std::string>{"alpha", "Mike", "zulu"}));
    for (std::size_t i = 0; i < loaded->Count(); ++i)
        EXPECT_EQ(loaded->ProfileAt(i)->serverAddress, "host-" + loaded->NameAt(i));
}

}  // namespace
