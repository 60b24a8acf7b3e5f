// An owned POSIX file descriptor with positioned reads and writes, so that a reader and a
// writer on the same file never share a file position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "core/Result.h"

namespace core {

// An I/O error naming what failed and the system's reason (errno now).
Error Errno(const std::string& what);

class FileHandle {
public:
    // OpenOrCreate makes the file when it is missing and never truncates, so a writer can
    // lock the file before it empties it.
    enum class Mode { Read, ReadWrite, Create, OpenOrCreate };

    FileHandle() noexcept = default;
    explicit FileHandle(int fd) noexcept : m_fd(fd) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept : m_fd(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Create truncates (or makes) the file; the error text names the path and the reason. A
    // new file gets the permissions the user's umask leaves; an existing one keeps its own.
    static Result<FileHandle> Open(const std::string& path, Mode mode);
    // A second descriptor on the same open file (the workbench's duplicate handle).
    Result<FileHandle> Duplicate() const;

    bool IsOpen() const noexcept { return m_fd >= 0; }
    int Fd() const noexcept { return m_fd; }
    int Release() noexcept;

    // Current length of the file; it grows while a capture appends.
    Result<std::uint64_t> Size() const;
    // Reads exactly out.size() bytes at offset; a short file is a Truncated error.
    Status ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const;
    Status WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) const;
    // The parts one after the other from offset, in as few system calls as the kernel
    // allows and without joining them first (blocks of tens of MiB).
    Status WriteAt(std::uint64_t offset, std::initializer_list<std::span<const std::uint8_t>> parts) const;
    Status Truncate(std::uint64_t length) const;
    // Pushes written data to the device.
    Status Sync() const;
    // An exclusive advisory lock (flock), refused at once when another open file holds one.
    // Duplicates share it; it ends when the last of them is closed.
    Status TryLockExclusive() const;

private:
    int m_fd = -1;
};

}  // namespace core
