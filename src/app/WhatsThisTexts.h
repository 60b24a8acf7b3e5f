// The texts context help (Shift+F1, or the "?" button, then a click) shows for the main
// window's commands and the controls of the main window and its capture windows.
#pragma once

#include <QString>
#include <cstdint>

namespace app {

// The text of a command (views::CommandId or packetlist::NavCommand); empty for none.
QString CommandWhatsThis(std::uint32_t id);

// The controls that are no commands.
enum class Control { LevelBox, PacketField, PacketList, DetailTree, DetailText, Progress, CurrentPane, PacketsPane,
                     Windows, FilterField };
QString ControlWhatsThis(Control control);

}  // namespace app
