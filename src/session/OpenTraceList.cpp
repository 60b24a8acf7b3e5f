// Open trace list: identity by device and inode, else by canonical path.
#include "session/OpenTraceList.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace session {

OpenTraceList::Identity OpenTraceList::Identity::Of(const std::string& path) {
    Identity id;
    id.path = path;
    std::error_code ec;
    const auto canonical = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    id.canonical = ec ? path : canonical.string();
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        id.exists = true;
        id.device = st.st_dev;
        id.inode = st.st_ino;
    }
    return id;
}

bool OpenTraceList::Identity::SameFile(const Identity& other) const noexcept {
    if (exists && other.exists) return device == other.device && inode == other.inode;
    return canonical == other.canonical;
}

bool OpenTraceList::Contains(const std::string& path) const {
    const Identity id = Identity::Of(path);
    std::scoped_lock lock(m_mutex);
    return std::any_of(m_entries.begin(), m_entries.end(), [&](const Identity& e) { return e.SameFile(id); });
}

void OpenTraceList::Add(const std::string& path) {
    Identity id = Identity::Of(path);
    std::scoped_lock lock(m_mutex);
    m_entries.push_back(std::move(id));
}

void OpenTraceList::Remove(const std::string& path) {
    std::scoped_lock lock(m_mutex);
    auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Identity& e) { return e.path == path; });
    if (it == m_entries.end()) {
        const Identity id = Identity::Of(path);
        it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Identity& e) { return e.SameFile(id); });
    }
    if (it != m_entries.end()) m_entries.erase(it);
}

std::size_t OpenTraceList::Size() const {
    std::scoped_lock lock(m_mutex);
    return m_entries.size();
}

}  // namespace session
