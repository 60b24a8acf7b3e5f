// Temporary output files: a fresh name beside the final one, fdatasync, rename.
#include "core/PendingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <utility>

namespace core {

namespace {

// A fresh file beside the final name, made as open(O_CREAT, 0666) makes any new file: the
// kernel applies the umask (and the folder's default ACL) as it creates it.
Result<std::pair<FileHandle, std::string>> MakeTemporary(const std::string& dir, const std::string& base) {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 pick(seed());
    std::uniform_int_distribution<std::size_t> letter(0, sizeof(kLetters) - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = (std::filesystem::path(dir) / ("." + base + ".")).string();
        for (int i = 0; i < 6; ++i) name.push_back(kLetters[letter(pick)]);
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return std::make_pair(FileHandle(fd), std::move(name));
        if (errno != EEXIST) return Errno(dir + "/" + base);
    }
    return Fail(ErrorKind::Io, dir + "/" + base + ": no free temporary name beside it");
}

// The file that is replaced keeps who owns it and who may read it. Where its owner cannot be
// given back (not root), the group bits would be another group's: they are dropped instead.
Status TakeOverModeAndOwner(const FileHandle& file, const struct stat& replaced) {
    mode_t mode = replaced.st_mode & 0777;
    if (::fchown(file.Fd(), replaced.st_uid, replaced.st_gid) != 0 &&
        ::fchown(file.Fd(), static_cast<uid_t>(-1), replaced.st_gid) != 0)
        mode &= ~static_cast<mode_t>(0070);
    if (::fchmod(file.Fd(), mode) != 0) return Errno("permissions");
    return Success();
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
    auto made = MakeTemporary(dir.string(), final.filename().string());
    if (!made) return made.Err();
    auto [file, temporary] = std::move(made).Value();
    PendingFile pending(std::move(file), std::move(temporary), final.string());
    const bool replacing = ::stat(final.c_str(), &existing) == 0;
    if (replacing) {
        if (auto st = TakeOverModeAndOwner(pending.m_file, existing); !st)
            return Fail(ErrorKind::Io, path + ": " + st.Err().text);
    }
    return pending;
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
