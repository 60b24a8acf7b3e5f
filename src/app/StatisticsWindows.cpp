// Statistics windows made for a capture window.
#include "app/StatisticsWindows.h"

#include "packetlist/NavCommand.h"
#include "stats/ui/IoGraphWindow.h"
#include "stats/ui/ProtocolHierarchyWindow.h"
#include "stats/ui/StationTablesWindow.h"

namespace app {

stats::ui::StatsWindow* OpenStatistics(CChildFrame& child, views::CommandId command) {
    using views::CommandId;
    using Tables = stats::ui::StationTablesWindow::Tables;
    packetlist::CKestroView& view = child.View();
    stats::ui::StatsSource source;
    source.path = child.Window().Doc().Profile().traceFile;
    source.parsers = &view.Parsers();
    source.vendors = &view.Conf().GetEtherNums();
    source.counts = [&view] { return stats::TraceCounts{view.BlockCount(), view.FrameCount(), view.EndOffset()}; };
    source.live = child.Window().IsLive();
    const QString title = child.windowTitle();
    stats::ui::StatsWindow* window = nullptr;
    switch (command) {
        case CommandId::StatsProtocols:
            window = new stats::ui::ProtocolHierarchyWindow(std::move(source), title, &child);
            break;
        case CommandId::StatsConversations:
            window = new stats::ui::StationTablesWindow(Tables::Conversations, std::move(source), title, &child);
            break;
        case CommandId::StatsEndpoints:
            window = new stats::ui::StationTablesWindow(Tables::Endpoints, std::move(source), title, &child);
            break;
        case CommandId::StatsIoGraph:
            window = new stats::ui::IoGraphWindow(std::move(source), title, &child);
            break;
        default:
            return nullptr;
    }
    QObject::connect(window, &stats::ui::StatsWindow::GoToFrame, &child, [&child](quint32 frame) {
        child.Run(packetlist::NavCommand::GotoPacket, QString::number(frame));
        child.activateWindow();
    });
    window->show();
    return window;
}

}  // namespace app
