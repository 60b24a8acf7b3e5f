// The trace files open in windows of this process. Files are compared by identity, as
// Linux names them: device and inode when the file exists (so "./x.tns", its absolute path
// and a symbolic link to it are one file), else the canonical path; letter case counts.
#pragma once

#include <sys/types.h>

#include <mutex>
#include <string>
#include <vector>

namespace session {

class OpenTraceList {
public:
    bool Contains(const std::string& path) const;
    void Add(const std::string& path);
    // Removes the entry added with this path (or, failing that, the first naming the same file).
    void Remove(const std::string& path);
    std::size_t Size() const;

private:
    struct Identity {
        std::string path;       // as added
        std::string canonical;  // absolute, symbolic links resolved as far as the path exists
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;

        static Identity Of(const std::string& path);
        bool SameFile(const Identity& other) const noexcept;
    };

    mutable std::mutex m_mutex;
    std::vector<Identity> m_entries;
};

}  // namespace session
