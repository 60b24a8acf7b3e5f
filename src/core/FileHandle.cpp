// POSIX file descriptor wrapper: every call retries on EINTR and reports errno as text.
#include "core/FileHandle.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace core {

Error Errno(const std::string& what) { return Fail(ErrorKind::Io, what + ": " + std::strerror(errno)); }

FileHandle::~FileHandle() {
    if (m_fd >= 0) ::close(m_fd);
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = other.Release();
    }
    return *this;
}

int FileHandle::Release() noexcept {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

Result<FileHandle> FileHandle::Open(const std::string& path, Mode mode) {
    int flags = O_CLOEXEC;
    switch (mode) {
        case Mode::Read:
            flags |= O_RDONLY;
            break;
        case Mode::ReadWrite:
            flags |= O_RDWR;
            break;
        case Mode::Create:
            flags |= O_RDWR | O_CREAT | O_TRUNC;
            break;
        case Mode::OpenOrCreate:
            flags |= O_RDWR | O_CREAT;
            break;
    }
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags, 0666);  // what the umask leaves of it
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Errno(path);
    return FileHandle(fd);
}

Result<FileHandle> FileHandle::Duplicate() const {
    const int fd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return Errno("duplicate handle");
    return FileHandle(fd);
}

Result<std::uint64_t> FileHandle::Size() const {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) return Errno("file size");
    return static_cast<std::uint64_t>(st.st_size);
}

Status FileHandle::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got =
            ::pread(m_fd, out.subspan(done).data(), out.size() - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Errno("read");
        if (got == 0) return Fail(ErrorKind::Truncated, "file ends at offset " + std::to_string(offset + done));
        done += static_cast<std::size_t>(got);
    }
    return Success();
}

Status FileHandle::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put =
            ::pwrite(m_fd, bytes.subspan(done).data(), bytes.size() - done, static_cast<off_t>(offset + done));
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return Errno("write");
        done += static_cast<std::size_t>(put);
    }
    return Success();
}

Status FileHandle::WriteAt(std::uint64_t offset, std::initializer_list<std::span<const std::uint8_t>> parts) const {
    std::vector<std::span<const std::uint8_t>> left;
    for (const auto& part : parts)
        if (!part.empty()) left.push_back(part);
    std::size_t first = 0;  // the parts before it are written
    while (first < left.size()) {
        std::vector<iovec> io;
        for (std::size_t i = first; i < left.size(); ++i)
            io.push_back({const_cast<std::uint8_t*>(left[i].data()), left[i].size()});
        const ssize_t put = ::pwritev(m_fd, io.data(), static_cast<int>(io.size()), static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return Errno("write");
        offset += static_cast<std::uint64_t>(put);
        // A short write ends inside some part: go on from there.
        auto done = static_cast<std::size_t>(put);
        for (; first < left.size() && done >= left[first].size(); ++first) done -= left[first].size();
        if (first < left.size()) left[first] = left[first].subspan(done);
    }
    return Success();
}

Status FileHandle::Truncate(std::uint64_t length) const {
    if (::ftruncate(m_fd, static_cast<off_t>(length)) != 0) return Errno("truncate");
    return Success();
}

Status FileHandle::Sync() const {
    if (::fdatasync(m_fd) != 0) return Errno("flush");
    return Success();
}

Status FileHandle::TryLockExclusive() const {
    int rc = 0;
    do {
        rc = ::flock(m_fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) return Success();
    if (errno == EWOULDBLOCK) return Fail(ErrorKind::Io, "another program is writing this file");
    return Errno("lock");
}

}  // namespace core
