// The workbench's pane preferences in the settings store: one byte each, 1 shown, 0 hidden.
#include "settings/PanePreferences.h"

#include <array>
#include <cstdint>
#include <vector>

#include "core/UserPrompt.h"
#include "settings/CSettingsStore.h"

namespace settings {

namespace {
constexpr std::string_view kBytesPaneValue = "BytesPane";
}  // namespace

bool LoadBytesPaneShown(const std::string& path) {
    core::RecordingPrompt quiet;
    CSettingsStore store(kWorkbenchSubKey, quiet, path);
    std::vector<std::uint8_t> data;
    if (!store.ReadBinary(kBytesPaneValue, data) || data.size() != 1 || data[0] > 1) return true;
    return data[0] == 1;
}

bool StoreBytesPaneShown(bool shown, const std::string& path) {
    core::RecordingPrompt quiet;
    CSettingsStore store(kWorkbenchSubKey, quiet, path);
    const std::array<std::uint8_t, 1> data{static_cast<std::uint8_t>(shown ? 1 : 0)};
    return store.WriteBinary(kBytesPaneValue, data);
}

}  // namespace settings
