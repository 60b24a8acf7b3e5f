// Recent Files list.
#include "settings/RecentFiles.h"

#include <algorithm>

namespace settings {

void RecentFiles::Add(std::string_view path) {
    if (path.empty()) return;
    Remove(path);
    m_paths.insert(m_paths.begin(), std::string(path));
    if (m_paths.size() > kMaxRecentFiles) m_paths.resize(kMaxRecentFiles);
}

bool RecentFiles::Remove(std::string_view path) {
    const auto it = std::find(m_paths.begin(), m_paths.end(), path);
    if (it == m_paths.end()) return false;
    m_paths.erase(it);
    return true;
}

void RecentFiles::Serialize(core::Archive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(core::kSchema);
        ar.WriteCount(static_cast<std::uint32_t>(m_paths.size()));
        for (const std::string& path : m_paths) ar.WriteString(path);
        return;
    }
    if (ar.ReadU32() != core::kSchema) {
        m_paths.clear();
        return;
    }
    const std::uint32_t count = ar.ReadCount();
    std::vector<std::string> stored;
    // A count is only a claim: every path read is bounded by the value's own bytes.
    for (std::uint32_t i = 0; i < count; ++i) stored.push_back(ar.ReadString());
    m_paths.clear();
    // Added oldest first, so that the newest ends on top and duplicates fold.
    for (auto it = stored.rbegin(); it != stored.rend(); ++it) Add(*it);
}

}  // namespace settings
