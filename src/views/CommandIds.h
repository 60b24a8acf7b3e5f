// The workbench's command identifiers: every menu item, tool button and context-menu entry
// keeps its number (QAction::data), so a command is the same thing wherever it is issued.
// The packet list's navigation commands are packetlist::NavCommand.
#pragma once

#include <cstdint>

namespace views {

enum class CommandId : std::uint32_t {
    FileNew = 32771,
    FileOpen = 32796,
    FileServices = 32806,
    AppExit = 57665,
    ViewToolbar = 59392,
    ViewNavigationBar = 32816,
    ViewStatusBar = 59393,
    ViewBytesPane = 32817,
    WindowCascade = 57650,
    WindowTile = 57651,
    WindowArrange = 57649,
    HelpTopics = 57667,
    ContextHelp = 57669,
    AppAbout = 57664,
    EditCopy = 57634,
    NextPane = 57680,
    PreviousPane = 57681,
    SummaryLevel = 32794,
    PacketField = 32802,
    NavigationBar = 32790,
    SwitchDetailView = 32797,
    ExpandAll = 32798,
    CollapseAll = 32799,
    CopySelection = 32800,
    SelectAll = 32801,
    StatsProtocols = 32830,
    StatsConversations = 32831,
    StatsEndpoints = 32832,
    StatsIoGraph = 32833,
    FilterField = 32834,
    EditFind = 57636,
    EditFindNext = 57640,
    EditFindPrevious = 32835,
};

}  // namespace views
