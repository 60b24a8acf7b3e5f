// An output file written under a temporary name beside its final one and renamed into place
// only once it is complete: a failed or interrupted write never leaves a half-written file
// under the user's name, and never touches the file that was there before.
#pragma once

#include <string>

#include "core/FileHandle.h"
#include "core/Result.h"

namespace core {

class PendingFile {
public:
    // Creates the temporary file in the directory of path (of its target when path is a
    // symbolic link), with the permissions a new file gets under the umask, or, when it is to
    // replace a file, with that file's mode and owner (where the owner cannot be kept, without
    // the group's permissions). A name that leads to something
    // other than a regular file (a device such as /dev/null, a pipe) has nothing to replace
    // and is written directly.
    static Result<PendingFile> Create(const std::string& path);
    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&&) = delete;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    // Removes the temporary file unless it was committed.
    ~PendingFile();

    const FileHandle& File() const noexcept { return m_file; }
    const std::string& TemporaryPath() const noexcept { return m_temporary; }
    const std::string& FinalPath() const noexcept { return m_final; }

    // Pushes the bytes to the device, then renames the file over its final name.
    Status Commit();
    bool IsDirect() const noexcept { return m_temporary.empty(); }

private:
    PendingFile(FileHandle file, std::string temporary, std::string final) noexcept;

    FileHandle m_file;
    std::string m_temporary;
    std::string m_final;
    bool m_committed = false;
};

// Whether two names lead to the same file (device and inode); false when either is missing.
bool SameFile(const std::string& a, const std::string& b) noexcept;
bool SameFile(const FileHandle& open, const std::string& path) noexcept;

}  // namespace core
