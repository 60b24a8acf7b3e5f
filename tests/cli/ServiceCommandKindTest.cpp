// palomet-cli service acts only on the service manager PALOMET_SERVICES names: a word it does
// not know is refused before any manager is reached.
#include "CliRun.h"

namespace {

using clitest::Cli;
using clitest::CliRun;

TEST(ServiceCommand, ActsOnlyOnTheManagerItWasPointedAt) {
    const std::string cli = std::string(PALOMET_BIN_DIR) + "/palomet-cli";
    const struct {
        const char* kind;
        int status;
        const char* out;  // a line of stdout, or of stderr when the command fails
    } cases[] = {
        {"simulated", 0, "palometsrv.service        Stopped     Auto      palometsrv    Palomet capture agent"},
        {"Simulated", 1, "PALOMET_SERVICES=Simulated is not a service manager this program knows"},
        {"sytem", 1, "PALOMET_SERVICES=sytem is not a service manager this program knows (system, user, simulated)."},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli("service stop cron", "PALOMET_SERVICES=" + std::string(c.kind) + " " + cli);
        EXPECT_EQ(r.status, c.status) << c.kind << "\n" << r.out << r.err;
        const CliRun listed = Cli("service list", "PALOMET_SERVICES=" + std::string(c.kind) + " " + cli);
        EXPECT_NE((c.status == 0 ? listed.out : listed.err).find(c.out), std::string::npos) << c.kind;
    }
}

}  // namespace
