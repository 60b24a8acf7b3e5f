// Temporary output files: mkstemp beside the final name, fdatasync, rename.
#include "core/PendingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace core {

namespace {

Error Errno(const std::string& what) { return Fail(ErrorKind::Io, what + ": " + std::strerror(errno)); }

// What open(path, O_CREAT, 0666) would give a new file under the current umask.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

PendingFile::PendingFile(FileHandle file, std::string temporary, std::string final) noexcept
    : m_file(std::move(file)),
      m_temporary(std::move(temporary)),
      m_final(std::move(final)) {}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : m_file(std::move(other.m_file)),
      m_temporary(std::move(other.m_temporary)),
      m_final(std::move(other.m_final)),
      m_committed(other.m_committed) {
    other.m_committed = true;  // the moved-from object removes nothing
}

PendingFile::~PendingFile() {
    if (!m_committed && !m_temporary.empty()) ::unlink(m_temporary.c_str());
}

Result<PendingFile> PendingFile::Create(const std::string& path) {
    namespace fs = std::filesystem;
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return Errno(path);
        return PendingFile(FileHandle(fd), std::string(), path);
    }
    std::error_code ec;
    fs::path final(path);
    // Writing through a link replaces what it points at, not the link.
    if (fs::is_symlink(final, ec)) {
        const fs::path target = fs::weakly_canonical(final, ec);
        if (!ec) final = target;
    }
    if (final.filename().empty()) return Fail(ErrorKind::Io, path + ": is not a file name");
    const fs::path dir = final.has_parent_path() ? final.parent_path() : fs::path(".");
    std::string pattern = (dir / ("." + final.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return Errno(path);
    FileHandle file(fd);
    std::string temporary(name.data());
    if (::fchmod(fd, NewFileMode()) != 0) {
        const Error error = Errno(path);
        ::unlink(temporary.c_str());
        return error;
    }
    return PendingFile(std::move(file), std::move(temporary), final.string());
}

Status PendingFile::Commit() {
    if (IsDirect()) {
        m_committed = true;  // a device or pipe: nothing to sync or rename
        return Success();
    }
    if (auto st = m_file.Sync(); !st) return Fail(ErrorKind::Io, m_final + ": " + st.Err().text);
    if (::rename(m_temporary.c_str(), m_final.c_str()) != 0) return Errno(m_final);
    m_committed = true;
    return Success();
}

bool SameFile(const std::string& a, const std::string& b) noexcept {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool SameFile(const FileHandle& open, const std::string& path) noexcept {
    struct stat sa {};
    struct stat sb {};
    return ::fstat(open.Fd(), &sa) == 0 && ::stat(path.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace core
