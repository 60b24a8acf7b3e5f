// The profile dialogs offscreen: their controls and texts, the limit fields following the
// limit list, a profile made through the sheet, a refused field, and the browse dialog.
// With PALOMET_SCREENSHOTS=DIR each window is saved there as a PNG.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "platform/RegistryTestUtil.h"
#include "profiles/ui/CSessionProfilesDlg.h"
#include "profiles/ui/ProfileSettingsSheet.h"
#include "profiles/ui/TraceFileBrowser.h"
#include "support/ContextHelp.h"
#include "support/QtApp.h"

// fontconfig keeps its caches until the process ends; that is not ours to report.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace {

using namespace profiles;
using namespace profiles::ui;

template <class T>
T* Child(QWidget& w, const char* name) {
    T* child = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

struct DialogTest : ::testing::Test {
    std::string path = support::TempPath("registry.sqlite");
    core::RecordingPrompt prompt;
    void SetUp() override {
        support::QtApp();
        ProfileStore store(prompt, path);
        ProfileChanges seed;
        for (const char* name : {"lab", "Backbone"}) {
            CSessionProfile p;
            p.serverAddress = std::string("host-") + name;
            seed.written.emplace_back(name, p);
        }
        ASSERT_TRUE(store.Save(seed).Ok());
        settings::CSettingsStore(kProfilesKey, prompt, path).WriteBinary("damaged", std::vector<std::uint8_t>{3, 'a'});
    }
};

TEST_F(DialogTest, ProfilesDialogShowsTheListAndFollowsTheSelection) {
    CSessionProfilesDlg dialog(nullptr, {}, path, &prompt);
    support::Screenshot(dialog, "session-profiles");
    EXPECT_EQ(dialog.windowTitle(), "Session Profiles");
    auto* list = Child<QListWidget>(dialog, "profileList");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "Backbone");
    EXPECT_EQ(list->item(1)->text(), "damaged");
    EXPECT_TRUE(list->item(1)->font().italic());
    EXPECT_TRUE(list->item(1)->toolTip().startsWith("Could not be read: "));
    for (const auto& [name, text] : {std::pair{"ok", "&OK"},
                                     {"cancel", "&Cancel"},
                                     {"new", "&New profile"},
                                     {"edit", "&Edit profile"},
                                     {"delete", "&Delete profile"},
                                     {"help", "Help"}})
        EXPECT_EQ(Child<QPushButton>(dialog, name)->text(), text);
    EXPECT_FALSE(Child<QPushButton>(dialog, "edit")->isEnabled()) << "nothing selected yet";
    EXPECT_EQ(Child<QLineEdit>(dialog, "profileText")->text(), "");

    list->setCurrentRow(2);
    EXPECT_EQ(Child<QLineEdit>(dialog, "profileText")->text(), "lab");
    EXPECT_TRUE(Child<QPushButton>(dialog, "delete")->isEnabled());
    QTest::keyClicks(Child<QLineEdit>(dialog, "profileText"), "x");
    EXPECT_FALSE(Child<QPushButton>(dialog, "delete")->isEnabled()) << "typed text that names no profile";

    // A double click is OK: the entry's profile leaves with the dialog.
    const QPoint first = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.TakeChosenProfile()->serverAddress, "host-Backbone");
}

// The Session Profiles dialog's Help works as every other dialog's: a box titled as the
// dialog with the text context help shows for it; every control explains itself; and the size
// limit says how far past it a file can end.
TEST_F(DialogTest, HelpAndContextHelpSayWhatEachDialogIsFor) {
    CSessionProfilesDlg profiles(nullptr, {}, path, &prompt);
    ProfileSettingsSheet sheet(SessionProfilesModel::FormForNew(), prompt, nullptr);
    int helpSignals = 0;
    QObject::connect(&profiles, &CSessionProfilesDlg::helpRequested, [&] { ++helpSignals; });
    for (QDialog* dialog : std::initializer_list<QDialog*>{&profiles, &sheet}) {
        dialog->show();
        const std::string title = dialog->windowTitle().toStdString();
        EXPECT_FALSE(dialog->whatsThis().isEmpty()) << title;
        QAbstractButton* help = support::HelpButton(*dialog);
        ASSERT_NE(help, nullptr) << title;
        EXPECT_EQ(support::BoxTextAfterClicking(*help), dialog->whatsThis()) << title;
    }
    EXPECT_EQ(helpSignals, 1);
    EXPECT_EQ(support::ControlsWithoutWhatsThis(profiles), QStringList{});
    auto* tabs = sheet.findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        EXPECT_EQ(support::ControlsWithoutWhatsThis(sheet), QStringList{}) << tab;
    }
    auto* size = Child<QLineEdit>(sheet, "sizeValue");
    EXPECT_TRUE(size->toolTip().contains("first block")) << size->toolTip().toStdString();
    EXPECT_EQ(size->whatsThis(), size->toolTip());
}

TEST_F(DialogTest, NewRunsTheSheetAndARefusedFieldKeepsItOpen) {
    CSessionProfilesDlg dialog(nullptr, {}, path, &prompt);
    dialog.show();
    bool refusedStayedOpen = false;
    QTimer::singleShot(0, [&] {
        auto* sheet = qobject_cast<ProfileSettingsSheet*>(QApplication::activeModalWidget());
        ASSERT_NE(sheet, nullptr);
        Child<QLineEdit>(*sheet, "profileName")->setText("edge");
        Child<QLineEdit>(*sheet, "serverAddress")->setText("10.0.0.9");
        Child<QLineEdit>(*sheet, "queueLength")->setText("0");
        Child<QListWidget>(*sheet, "limitMode")->setCurrentRow(2);
        Child<QLineEdit>(*sheet, "timeValue")->setText("30");
        Child<QComboBox>(*sheet, "timeUnit")->setCurrentIndex(1);
        support::Screenshot(*sheet, "profile-settings-file");
        QTest::mouseClick(Child<QPushButton>(*sheet, "ok"), Qt::LeftButton);
        refusedStayedOpen =
            sheet->isVisible() && QApplication::focusWidget() == Child<QLineEdit>(*sheet, "queueLength");
        Child<QLineEdit>(*sheet, "queueLength")->setText("120");
        qobject_cast<QTabWidget*>(sheet->findChild<QTabWidget*>())->setCurrentIndex(1);
        Child<QCheckBox>(*sheet, "http")->setChecked(true);
        Child<QComboBox>(*sheet, "filterType")->setCurrentIndex(0);
        support::Screenshot(*sheet, "profile-settings-filters");
        QTest::mouseClick(Child<QPushButton>(*sheet, "ok"), Qt::LeftButton);
    });
    QTest::mouseClick(Child<QPushButton>(dialog, "new"), Qt::LeftButton);
    EXPECT_TRUE(refusedStayedOpen);
    ASSERT_FALSE(prompt.Messages().empty());
    EXPECT_EQ(prompt.Messages().back().text, "Please enter an integer between 1 and 3000.");
    EXPECT_EQ(Child<QLineEdit>(dialog, "profileText")->text(), "edge") << "the new entry is selected";
    QTest::mouseClick(Child<QPushButton>(dialog, "ok"), Qt::LeftButton);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    const auto chosen = dialog.TakeChosenProfile();
    EXPECT_EQ(
        (std::vector<std::int32_t>{chosen->serverQueueLength, chosen->limitMode, chosen->timeValue, chosen->timeUnit}),
        (std::vector<std::int32_t>{120, 2, 30, 1}));
    EXPECT_EQ(chosen->captureConfiguration.http, 1U);
    EXPECT_EQ(chosen->captureConfiguration.ftp, 0U);
}

TEST_F(DialogTest, LimitFieldsFollowTheLimitList) {
    ProfileSettingsSheet sheet(ProfileForm{}, prompt, nullptr);
    auto* modes = Child<QListWidget>(sheet, "limitMode");
    EXPECT_EQ(modes->currentRow(), 0) << "a new profile starts at \"No limits\"";
    struct Row {
        const char* text;
        bool size, time;  // which limit pair the row enables
    };
    const Row rows[] = {{"No limits", false, false},
                        {"Limit file size", true, false},
                        {"Limit tracing time", false, true},
                        {"Limit file size and time", true, true}};
    for (int row = 0; row < 4; ++row) {
        const Row& r = rows[row];
        EXPECT_EQ(modes->item(row)->text(), r.text);
        modes->setCurrentRow(row);
        EXPECT_EQ(Child<QLineEdit>(sheet, "sizeValue")->isEnabled(), r.size) << row;
        EXPECT_EQ(Child<QComboBox>(sheet, "sizeUnit")->isEnabled(), r.size) << row;
        EXPECT_EQ(Child<QLineEdit>(sheet, "timeValue")->isEnabled(), r.time) << row;
        EXPECT_EQ(Child<QComboBox>(sheet, "timeUnit")->isEnabled(), r.time) << row;
    }
    EXPECT_EQ(Child<QComboBox>(sheet, "filterType")->currentIndex(), -1) << "no filter type chosen for a new profile";
}

TEST_F(DialogTest, BrowseOffersTraceFilesFirst) {
    auto dialog = MakeTraceFileDialog(nullptr, QString::fromStdString(support::TempPath("x/old.tns")));
    EXPECT_EQ(dialog->nameFilters(), (QStringList{"Data Files (*.tns)", "All Files (*)"}));
    EXPECT_EQ(dialog->defaultSuffix(), "tns");
    EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile) << "the trace file need not exist";
    support::Screenshot(*dialog, "browse-trace-file");
}

}  // namespace
