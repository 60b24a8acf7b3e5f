// Table file search and whole-file reads: one read loop over a descriptor, no per-line I/O.
#include "tables/TableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace tables {

namespace {

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

class Descriptor {
public:
    explicit Descriptor(int fd) noexcept : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const noexcept { return m_fd; }

private:
    int m_fd;
};

// The folder of the running program, empty when it cannot be told.
std::string ProgramDir() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

bool SameDirectory(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec);
}

}  // namespace

std::vector<std::string> TableFile::SearchDirs() { return SearchDirsFor(ProgramDir()); }

std::vector<std::string> TableFile::SearchDirsFor(const std::string& programDir) {
    std::vector<std::string> dirs;
    if (const char* env = std::getenv("PALOMET_DATA_DIR"); env != nullptr && *env != '\0') dirs.emplace_back(env);
#ifdef PALOMET_INSTALLED_TABLES
    dirs.emplace_back(PALOMET_INSTALLED_TABLES);
#endif
    // An installation moved to another prefix keeps its data beside its programs.
    if (!programDir.empty())
        dirs.push_back((std::filesystem::path(programDir) / ".." / "share" / "palomet" / "tables").string());
#if defined(PALOMET_SOURCE_TABLES) && defined(PALOMET_BUILD_BIN_DIR)
    // Only a program where the build put it may use the data beside its sources.
    if (SameDirectory(programDir, PALOMET_BUILD_BIN_DIR)) dirs.emplace_back(PALOMET_SOURCE_TABLES);
#endif
    return dirs;
}

std::optional<std::string> TableFile::Find(std::string_view name) {
    std::error_code ec;
    const std::string bare(name);
    if (IsRegularFile(bare)) {
        const auto abs = std::filesystem::absolute(bare, ec);
        return ec ? bare : abs.string();
    }
    for (const auto& dir : SearchDirs()) {
        const std::string candidate = (std::filesystem::path(dir) / bare).string();
        if (IsRegularFile(candidate)) return candidate;
    }
    return std::nullopt;
}

std::optional<std::string> TableFile::Read(const std::string& path) {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) return std::nullopt;
    struct stat st {};
    // A directory, pipe or device is no table file (a pipe or /dev/zero would never end).
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;

    std::string text;
    const auto expected = static_cast<std::size_t>(st.st_size);
    text.resize(std::min(expected, kMaxBytes));
    std::size_t have = 0;
    bool failed = false;
    for (;;) {
        if (have == text.size()) {
            if (text.size() >= kMaxBytes) break;
            // The file grew since fstat; keep going in bounded steps.
            text.resize(std::min(kMaxBytes, text.size() + 65536));
        }
        const ssize_t n = ::read(fd.Get(), &text[have], text.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    text.resize(have);
    if (failed) {
        // Only whole lines count when the read broke off.
        const auto end = text.find_last_of("\r\n");
        text.resize(end == std::string::npos ? 0 : end + 1);
    }
    return text;
}

std::optional<TableFileText> TableFile::Open(std::string_view name) {
    auto path = Find(name);
    if (!path) return std::nullopt;
    auto text = Read(*path);
    if (!text) return std::nullopt;
    return TableFileText{std::move(*path), std::move(*text)};
}

}  // namespace tables
