// Context-help texts.
#include "app/WhatsThisTexts.h"

#include <QCoreApplication>
#include <utility>

#include "packetlist/NavCommand.h"
#include "views/CommandIds.h"

namespace app {

namespace {

using packetlist::NavCommand;
using views::CommandId;

constexpr std::uint32_t Id(CommandId id) { return static_cast<std::uint32_t>(id); }
constexpr std::uint32_t Id(NavCommand id) { return static_cast<std::uint32_t>(id); }

const std::pair<std::uint32_t, const char*> kCommandTexts[] = {
    {Id(CommandId::FileNew),
     "<b>New</b> (Ctrl+N)<p>Opens the Session Profiles dialog. Choose or make a profile and press OK to start a live "
     "capture from its agent in a window of its own.</p>"},
    {Id(CommandId::FileOpen),
     "<b>Open</b> (Ctrl+O)<p>Opens a saved trace file (<i>.tns</i>) in a window of its own. A file that is already "
     "open is not opened twice. Recently opened files are listed at the end of the File menu.</p>"},
    {Id(CommandId::FileServices),
     "<b>Services</b> (Ctrl+S)<p>Opens the services control panel: start, stop, pause or continue the capture agent's "
     "service on this or another host, and set how it starts.</p>"},
    {Id(CommandId::AppExit),
     "<b>Exit</b><p>Closes every window and quits. Live captures are drained and their trace files finished "
     "first.</p>"},
    {Id(CommandId::ViewToolbar), "<b>Toolbar</b><p>Shows or hides the main tool bar.</p>"},
    {Id(CommandId::ViewNavigationBar),
     "<b>Navigation Bar</b><p>Shows or hides the navigation bar: the summary level, the moves through a trace, the "
     "packet number field and Pause/Continue.</p>"},
    {Id(CommandId::ViewStatusBar), "<b>Status Bar</b><p>Shows or hides the status bar at the bottom.</p>"},
    {Id(CommandId::StatsProtocols),
     "<b>Protocol Hierarchy</b><p>Counts the active capture window's trace: every layer path seen, as a tree, with "
     "its frames and bytes and their share of the whole. A live window's counts follow its capture.</p>"},
    {Id(CommandId::StatsConversations),
     "<b>Conversations</b><p>Who talks to whom in the active capture window's trace, a tab per kind (Ethernet, IPv4, "
     "IPv6, TCP, UDP): frames and bytes each way, start and duration. Click a column to sort; Copy puts the rows on "
     "the clipboard as tab-separated text; a double-click goes to the conversation's first frame.</p>"},
    {Id(CommandId::StatsEndpoints),
     "<b>Endpoints</b><p>Every station of the active capture window's trace, a tab per kind, with what it sent and "
     "received. Click a column to sort; a double-click goes to the station's first frame.</p>"},
    {Id(CommandId::StatsIoGraph),
     "<b>I/O Graph</b><p>Frames and bytes per second over the active capture window's trace. Drag across the graph "
     "to zoom, Shift and drag to pan, 0 to see everything; a click goes to the first frame at that time.</p>"},
    {Id(CommandId::ViewBytesPane),
     "<b>Bytes Pane</b><p>Shows or hides the selected frame's bytes under its details: hex and printable "
     "characters, 16 bytes a line. Selecting a detail line highlights its bytes; clicking a byte selects the line "
     "that describes it.</p>"},
    {Id(CommandId::WindowCascade), "<b>Cascade</b><p>Arranges the capture windows so that they overlap.</p>"},
    {Id(CommandId::WindowTile), "<b>Tile</b><p>Arranges the capture windows side by side.</p>"},
    {Id(CommandId::WindowArrange), "<b>Arrange Icons</b><p>Lines up minimized capture windows at the bottom.</p>"},
    {Id(CommandId::HelpTopics), "<b>Help topics</b> (F1)<p>Shows how to open traces, capture and move around.</p>"},
    {Id(CommandId::ContextHelp),
     "<b>Context Help</b> (Shift+F1)<p>Changes the pointer to a question mark: click a button, menu item or pane "
     "to see what it does.</p>"},
    {Id(CommandId::AppAbout), "<b>About Palomet</b><p>Shows the program's version and copyright.</p>"},
    {Id(CommandId::EditCopy),
     "<b>Copy</b> (Ctrl+C)<p>Copies from the pane with the focus: the selected packet's row, the selected detail "
     "line, or the selected detail text.</p>"},
    {Id(CommandId::EditFind),
     "<b>Find</b> (Ctrl+F)<p>Looks for the next or previous packet whose summary, or (when asked) whose detail "
     "text, holds a piece of text, from the current packet on, across screens. With a filter on, only the "
     "packets it shows are searched.</p>"},
    {Id(CommandId::EditFindNext), "<b>Find Next</b> (F3)<p>Looks for the same text after the current packet.</p>"},
    {Id(CommandId::EditFindPrevious),
     "<b>Find Previous</b> (Shift+F3)<p>Looks for the same text before the current packet.</p>"},
    {Id(CommandId::NextPane), "<b>Next Pane</b> (F6)<p>Moves the focus between the packet list and the details.</p>"},
    {Id(CommandId::PreviousPane),
     "<b>Previous Pane</b> (Shift+F6)<p>Moves the focus back between the details and the packet list.</p>"},
    {Id(NavCommand::GoToBeginning), "<b>Go to beginning</b> (Home)<p>Shows the first screen of the trace.</p>"},
    {Id(NavCommand::PreviousScreen), "<b>Previous screen</b> (Page Up)<p>Shows the screen before this one.</p>"},
    {Id(NavCommand::PreviousPacket),
     "<b>Previous packet</b> (Up)<p>Selects the packet before the current one, on the previous screen when it is the "
     "first of its screen.</p>"},
    {Id(NavCommand::NextPacket),
     "<b>Next packet</b> (Down)<p>Selects the packet after the current one, on the next screen when it is the last "
     "of its screen.</p>"},
    {Id(NavCommand::NextScreen), "<b>Next screen</b> (Page Down)<p>Shows the screen after this one.</p>"},
    {Id(NavCommand::GoToEnd), "<b>Go to end</b> (End)<p>Shows the last screen of the trace.</p>"},
    {Id(NavCommand::GotoPacket),
     "<b>Goto packet</b><p>Shows and selects the packet whose number is typed in the packet number field (Enter in "
     "the field does the same).</p>"},
    {Id(NavCommand::PauseContinue),
     "<b>Pause/Continue</b><p>Stops the agent's capture (the button stays pressed) and starts it again. When a time "
     "or size limit stopped it, you are asked first.</p>"},
};

const std::pair<Control, const char*> kControlTexts[] = {
    {Control::LevelBox,
     "<b>Summary level</b><p>How far up the protocol stack the Source, Destination and Summary columns go: datalink, "
     "network, transport or application. The box shows the level of the active window.</p>"},
    {Control::PacketField,
     "<b>Packet number</b><p>Type a packet number and press Enter (or Goto packet) to go to it.</p>"},
    {Control::PacketList,
     "<b>Packet list</b><p>One screen of the trace: the frames of one block, with their number, the milliseconds "
     "since the previous frame, source, destination and summary. Home, Page Up, Page Down and End move by screens, "
     "Up and Down by packets. Drag a column's edge to widen it; the widths are kept.</p>"},
    {Control::DetailTree,
     "<b>Packet details</b><p>Every decoded field of the selected packet, layer by layer. The context menu switches "
     "to text, expands every line or collapses the layers.</p>"},
    {Control::DetailText,
     "<b>Packet details as text</b><p>The selected packet decoded as <code>palomet-cli show</code> prints it. The "
     "context menu switches back to the tree, copies the selection or selects all.</p>"},
    {Control::Progress, "<b>Position</b><p>How far through the trace the current packet is.</p>"},
    {Control::CurrentPane, "<b>Current packet</b><p>The number of the selected packet.</p>"},
    {Control::PacketsPane,
     "<b>Packets</b><p>How many packets the trace holds and the size of its file; for a live capture, also the "
     "packets the agent could not deliver.</p>"},
    {Control::FilterField,
     "<b>Filter expression</b><p>Shows only the packets of the active window that a capture-filter expression "
     "selects, in tcpdump's syntax (<code>host 10.0.0.5 and udp port 53</code>, <code>arp</code>). Enter applies "
     "it, Escape or an empty field shows every packet again; the list offers the expressions used last. The field "
     "turns red, its tool tip saying why, when the expression is not understood.</p>"},
    {Control::Windows,
     "<b>Capture windows</b><p>One window per trace file or live capture. Drop trace files here to open them.</p>"},
};

}  // namespace

QString CommandWhatsThis(std::uint32_t id) {
    for (const auto& [command, text] : kCommandTexts)
        if (command == id) return QCoreApplication::translate("WhatsThis", text);
    return {};
}

QString ControlWhatsThis(Control control) {
    for (const auto& [which, text] : kControlTexts)
        if (which == control) return QCoreApplication::translate("WhatsThis", text);
    return {};
}

}  // namespace app
