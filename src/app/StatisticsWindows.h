// The Statistics menu's windows for a capture window: each counts the capture window's own
// trace with its decoders, follows it while it is live, and sends a double-click (or a
// click in the graph) to that window's go-to.
#pragma once

#include "app/CChildFrame.h"
#include "stats/ui/StatsWindow.h"
#include "views/CommandIds.h"

namespace app {

// Opens and shows the window of a Statistics command (StatsProtocols to StatsIoGraph),
// owned by child; nullptr for another command.
stats::ui::StatsWindow* OpenStatistics(CChildFrame& child, views::CommandId command);

}  // namespace app
