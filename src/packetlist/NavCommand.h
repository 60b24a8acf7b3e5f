// The commands a capture window's packet list carries out, under the identifiers the menus,
// tool bars and key bindings use for them, and the keys that drive them.
#pragma once

#include <cstdint>

namespace packetlist {

enum class NavCommand : std::uint32_t {
    GoToBeginning = 32775,
    PreviousScreen = 32776,
    PreviousPacket = 32777,
    NextPacket = 32778,
    NextScreen = 32779,
    GoToEnd = 32780,
    GotoPacket = 32795,
    PauseContinue = 61446,
};

enum class NavKey { Home, PageUp, Up, Down, PageDown, End };

// What became of a key: run as its command, or refused with a beep; a refused Home, Page Up,
// Page Down or End still goes on to the list control, a refused Up or Down does not.
struct KeyOutcome {
    bool ran = false;
    bool beep = false;
    bool passOn = false;
};

}  // namespace packetlist
