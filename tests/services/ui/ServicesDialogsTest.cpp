// The service dialogs' widgets, offscreen, over the simulated backend: what they show and
// which controls they enable. PALOMET_SCREENSHOTS=<dir> keeps a picture of each dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>

#include "platform/HostNames.h"
#include "platform/simulated/SimulatedServiceManager.h"
#include "services/ui/CAddUserDlg.h"
#include "services/ui/CServiceListCtrl.h"
#include "services/ui/CServicesDlg.h"
#include "services/ui/CStartupConfigDlg.h"
#include "support/ContextHelp.h"
#include "support/QtApp.h"

namespace services::ui {
namespace {

std::vector<std::unique_ptr<AccountSource>> DemoAccounts(const std::string& host) {
    std::vector<std::unique_ptr<AccountSource>> sources;
    sources.push_back(std::make_unique<ListedAccountSource>(
        host, std::vector<platform::AccountEntry>{{"root", "uid 0, home /root", "root"},
                                                  {"palometsrv", "Capture agent", "Palomet capture agent"},
                                                  {"ann", "Room 4, 555-1234", "Ann Smith"}}));
    return sources;
}

std::unique_ptr<ServicesContext> DemoContext() {
    auto connector = std::make_unique<platform::SimulatedConnector>();
    platform::SimulatedConnector::AddDemoServices(connector->Host(""));
    return std::make_unique<ServicesContext>(std::move(connector), DemoAccounts);
}

TEST(ServicesDialog, ListsTheHostAndStartsTheSelectedAgent) {
    auto context = DemoContext();
    CServicesDlg dialog(*context, nullptr, "localhost", "PalometSrv");
    auto& list = dialog.List();
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Services \\\\" + platform::LocalComputerName());
    EXPECT_EQ(list.model()->headerData(0, Qt::Horizontal).toString(), "Service");
    EXPECT_EQ(list.model()->headerData(2, Qt::Horizontal).toString(), "Startup");
    EXPECT_EQ(list.header()->sectionSize(1), 70);
    ASSERT_EQ(list.model()->rowCount(), 8);
    ASSERT_TRUE(list.SelectedRow().has_value());
    EXPECT_EQ(list.model()->index(static_cast<int>(*list.SelectedRow()), 0).data().toString(), "Palomet capture agent");
    EXPECT_TRUE(dialog.Button(ServiceOperation::Start).isEnabled());
    EXPECT_FALSE(dialog.Button(ServiceOperation::Stop).isEnabled());
    support::Screenshot(dialog, "services-dialog");

    QTest::mouseClick(&dialog.Button(ServiceOperation::Start), Qt::LeftButton);
    EXPECT_FALSE(dialog.HostButton().isEnabled());  // polling
    const QModelIndex status = list.model()->index(static_cast<int>(*list.SelectedRow()), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.HostButton().isEnabled(); }, 10000));
    EXPECT_EQ(status.data().toString(), "Running");
    EXPECT_TRUE(dialog.Button(ServiceOperation::Stop).isEnabled());
    EXPECT_TRUE(dialog.Button(ServiceOperation::Pause).isEnabled());
    support::Screenshot(dialog, "services-dialog-running");

    dialog.askHost = [] { return std::optional<std::string>("localhost"); };
    QTest::mouseClick(&dialog.HostButton(), Qt::LeftButton);
    EXPECT_FALSE(list.SelectedRow().has_value());
    EXPECT_FALSE(dialog.StartupButton().isEnabled());
}

TEST(StartupConfigurationDialog, OffersWhatSystemdHas) {
    CStartupConfigDlg dialog(
        StartupConfigModel(platform::kStartAuto, platform::kServiceOwnProcess, 0, "palometsrv", {}),
        [] { return DemoAccounts("capture1"); }, nullptr);
    EXPECT_TRUE(dialog.Automatic().isChecked());
    EXPECT_TRUE(dialog.ThisAccount().isChecked());
    EXPECT_EQ(dialog.Account().text(), "palometsrv");
    EXPECT_TRUE(dialog.Account().isEnabled());
    EXPECT_FALSE(dialog.Password().isEnabled());  // no password is ever asked for or written
    EXPECT_FALSE(dialog.Desktop().isEnabled());
    support::Screenshot(dialog, "startup-configuration");
    dialog.SystemAccount().click();
    EXPECT_FALSE(dialog.Account().isEnabled());
    dialog.Disabled().click();
    dialog.accept();
    EXPECT_EQ(dialog.Model().StartType(), platform::kStartDisabled);
    EXPECT_EQ(dialog.Model().Account(), "LocalSystem");
}

TEST(AddUserDialog, ListsTheHostsAccounts) {
    CAddUserDlg dialog(DemoAccounts("capture1"), nullptr);
    EXPECT_EQ(dialog.Sources().currentText(), "\\\\capture1");
    ASSERT_EQ(dialog.Accounts().topLevelItemCount(), 3);
    EXPECT_EQ(dialog.Accounts().headerItem()->text(2), "Full Name");
    dialog.Accounts().setCurrentItem(dialog.Accounts().topLevelItem(2));
    support::Screenshot(dialog, "add-user");
    dialog.accept();
    ASSERT_TRUE(dialog.Chosen());
    EXPECT_EQ(*dialog.Chosen(), std::make_pair(std::string("\\\\capture1"), std::string("ann")));
}

// One help path: each dialog's Help button shows, titled as the dialog, the text context help
// shows for it; and every control has a text of its own or its dialog's.
TEST(ServiceDialogsHelp, HelpAndContextHelpSayWhatEachDialogIsFor) {
    auto context = DemoContext();
    CServicesDlg services(*context, nullptr, "localhost", "PalometSrv");
    CStartupConfigDlg startup(StartupConfigModel(platform::kStartAuto, platform::kServiceOwnProcess, 0, "palometsrv", {}),
                              [] { return DemoAccounts("capture1"); }, nullptr);
    CAddUserDlg addUser(DemoAccounts("capture1"), nullptr);
    for (QDialog* dialog : std::initializer_list<QDialog*>{&services, &startup, &addUser}) {
        dialog->show();
        const std::string title = dialog->windowTitle().toStdString();
        EXPECT_FALSE(dialog->whatsThis().isEmpty()) << title;
        EXPECT_EQ(support::ControlsWithoutWhatsThis(*dialog), QStringList{}) << title;
        QAbstractButton* help = support::HelpButton(*dialog);
        ASSERT_NE(help, nullptr) << title;
        EXPECT_EQ(support::BoxTextAfterClicking(*help), dialog->whatsThis()) << title;
    }
    EXPECT_FALSE(services.Button(ServiceOperation::Start).whatsThis().isEmpty());
}

// A host whose service manager starts services without parameters (systemd) is offered no
// field for them, and is told why.
TEST(ServicesDialog, StartupParametersAreOfferedWhereTheHostTakesThem) {
    for (bool takes : {false, true}) {
        auto connector = std::make_unique<platform::SimulatedConnector>();
        platform::SimulatedConnector::AddDemoServices(connector->Host(""));
        connector->Host("").Traits().startParameters = takes;
        ServicesContext context(std::move(connector), DemoAccounts);
        CServicesDlg dialog(context, nullptr, "localhost", "PalometSrv");
        EXPECT_EQ(dialog.Parameters().isEnabled(), takes);
        EXPECT_EQ(dialog.Parameters().toolTip().isEmpty(), takes);
        if (!takes) support::Screenshot(dialog, "services-dialog-no-parameters");
    }
}

}  // namespace
}  // namespace services::ui
