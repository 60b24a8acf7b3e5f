// Which service administration PALOMET_SERVICES picks: the system's and the user's managers
// always, the demonstration table only where a program offers it, nothing for another word.
#include <gtest/gtest.h>

#include "services/CSrvBrowser.h"
#include "services/ServicesContext.h"
#include "services/simulated/SimulatedServices.h"

namespace services {
namespace {

TEST(ServicesKind, OnlyTheKindsOfferedAreMade) {
    for (const char* kind : {"", "system", "user"}) EXPECT_NE(MakeServicesContext(kind), nullptr) << kind;
    for (const char* kind : {"simulated", "System", "bogus"}) EXPECT_EQ(MakeServicesContext(kind), nullptr) << kind;
    EXPECT_EQ(UnknownServicesKindText("x\x1b[2J"),
              "PALOMET_SERVICES=x\\x1B[2J is not a service manager this program knows (system, user).");

    OfferSimulatedServices();
    auto simulated = MakeServicesContext("simulated");
    ASSERT_NE(simulated, nullptr);
    core::RecordingPrompt prompt;
    CSrvBrowser browser(simulated->Connector(), prompt);
    ASSERT_EQ(browser.Browse(""), 0U);
    EXPECT_EQ(browser.Items().size(), 8U);
    EXPECT_EQ(simulated->AccountSources("").size(), 1U);
    EXPECT_EQ(UnknownServicesKindText("bogus"),
              "PALOMET_SERVICES=bogus is not a service manager this program knows (system, user, simulated).");
}

}  // namespace
}  // namespace services
