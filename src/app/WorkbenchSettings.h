// What the workbench remembers between runs, in the settings store under the application's
// key ("Client\Workbench"): the main window's geometry and bars, the layout a capture window
// was last left in (splitter, column widths, summary level, tree or text), the Recent
// Files list and the filter expressions used last. A value that is missing or damaged reads as nothing remembered.
#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/UserPrompt.h"
#include "settings/CSettingsStore.h"
#include "settings/RecentFiles.h"

namespace app {

inline constexpr std::string_view kWorkbenchKey = "Client\\Workbench";

struct WindowLayout {
    QByteArray splitter;   // QSplitter::saveState
    QList<int> columns;    // every column's width but the last
    std::uint32_t level = 0;
    bool detailText = false;  // the detail pane shows text, not the tree
    int bytesPoints = 0;      // the bytes pane's font size; 0: as the system gives it
};

class WorkbenchSettings {
public:
    // The store at registryPath (empty: the process's registry).
    WorkbenchSettings(core::UserPrompt& prompt, const std::string& registryPath = {});

    // QMainWindow::saveGeometry and saveState; empty when none is kept.
    QByteArray MainGeometry();
    QByteArray MainState();
    void SetMain(const QByteArray& geometry, const QByteArray& state);

    std::optional<WindowLayout> Layout();
    void SetLayout(const WindowLayout& layout);

    settings::RecentFiles Recent();
    void SetRecent(settings::RecentFiles recent);
    // The filter expressions, kept as the Recent Files are.
    settings::RecentFiles RecentFilters();
    void SetRecentFilters(settings::RecentFiles recent);

private:
    settings::RecentFiles LoadList(std::string_view value);
    void StoreList(std::string_view value, settings::RecentFiles recent);
    QByteArray Read(std::string_view name);
    void Write(std::string_view name, const QByteArray& bytes);

    settings::CSettingsStore m_store;
};

}  // namespace app
