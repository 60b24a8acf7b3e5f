// The Recent Files list of the File menu: the trace files opened last, newest first, each
// once, at most kMaxRecentFiles; kept in the settings store in its archive form.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/Archive.h"

namespace settings {

inline constexpr std::size_t kMaxRecentFiles = 8;

class RecentFiles {
public:
    // path goes to the top; an older entry of the same path goes, and the oldest beyond the
    // list's length.
    void Add(std::string_view path);
    // False when the list does not hold path.
    bool Remove(std::string_view path);
    const std::vector<std::string>& Paths() const noexcept { return m_paths; }

    // Schema word, count, paths. Loading keeps the first kMaxRecentFiles distinct non-empty
    // paths of what was stored; it throws core::ArchiveException on a damaged value.
    void Serialize(core::Archive& ar);

private:
    std::vector<std::string> m_paths;
};

}  // namespace settings
