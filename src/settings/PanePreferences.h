// Which optional panes the workbench's capture windows show, kept in the settings store under
// Client\Workbench, so every window and the next session open the same way. A preference is
// no reason for a message box: a store that cannot be read leaves the default, one that
// cannot be written keeps what it had.
#pragma once

#include <string>
#include <string_view>

namespace settings {

inline constexpr std::string_view kWorkbenchSubKey = "Client\\Workbench";

// Whether the bytes pane shows below a window's details (by default it does). path picks
// the registry file (platform::KeyTree::DefaultPath() when empty).
bool LoadBytesPaneShown(const std::string& path = {});
bool StoreBytesPaneShown(bool shown, const std::string& path = {});

}  // namespace settings
