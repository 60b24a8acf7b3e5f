// Who may read what the programs write: a new file gets what the user's umask leaves, a
// replaced file keeps its mode and owner, and nothing is ever opened wider on the way.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "core/FileHandle.h"
#include "core/PendingFile.h"

namespace {

namespace fs = std::filesystem;

std::string Scratch(const std::string& name) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const fs::path dir = fs::path(::testing::TempDir()) / "palomet-core-tests" / test->name();
    fs::create_directories(dir);
    return (dir / name).string();
}

// Sets the umask for one scope, as a user's shell would have it.
class Umask {
public:
    explicit Umask(mode_t mask) : m_old(::umask(mask)) {}
    ~Umask() { ::umask(m_old); }
    Umask(const Umask&) = delete;
    Umask& operator=(const Umask&) = delete;

private:
    mode_t m_old;
};

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

void Replace(const std::string& path) {
    auto pending = core::PendingFile::Create(path);
    ASSERT_TRUE(pending.Ok()) << pending.Err().text;
    const std::uint8_t byte = 1;
    ASSERT_TRUE(pending.Value().File().WriteAt(0, std::span(&byte, 1)).Ok());
    ASSERT_TRUE(pending.Value().Commit().Ok());
}

void OpenTruncating(const std::string& path) {
    ASSERT_TRUE(core::FileHandle::Open(path, core::FileHandle::Mode::Create).Ok());
}

void OpenOrCreate(const std::string& path) {
    ASSERT_TRUE(core::FileHandle::Open(path, core::FileHandle::Mode::OpenOrCreate).Ok());
}

TEST(FileMode, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> write;
        mode_t existing;  // 0: no file there before
        mode_t umask;
        mode_t expected;
    };
    const Case cases[] = {
        {"output file, new, umask 022", Replace, 0, 022, 0644},
        {"output file, new, umask 077", Replace, 0, 077, 0600},
        {"output file, new, umask 002", Replace, 0, 002, 0664},
        {"output file over a 0600 one", Replace, 0600, 022, 0600},
        {"output file over a 0640 one, umask 077", Replace, 0640, 077, 0640},
        {"output file over a 0604 one", Replace, 0604, 022, 0604},
        {"trace file, new, umask 002", OpenOrCreate, 0, 002, 0664},
        {"trace file, new, umask 077", OpenTruncating, 0, 077, 0600},
        {"trace file over a 0600 one", OpenTruncating, 0600, 000, 0600},
    };
    for (const auto& c : cases) {
        const std::string path = Scratch("out");
        fs::remove(path);
        if (c.existing != 0) {
            std::ofstream(path) << "before";
            ASSERT_EQ(::chmod(path.c_str(), c.existing), 0);
        }
        {
            Umask mask(c.umask);
            c.write(path);
        }
        EXPECT_EQ(ModeOf(path), c.expected) << c.name;
    }
}

// Owners can only be tried where files can be given away.
TEST(FileMode, AReplacedFileKeepsItsOwnerOrLosesItsGroupsRights) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give files away";
    const std::string path = Scratch("owned");
    std::ofstream(path) << "before";
    ASSERT_EQ(::chown(path.c_str(), 4321, 4321), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    Replace(path);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4321u);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // Someone else replacing it cannot give it back to its owner: the group the bits were
    // meant for is not theirs, so those bits go.
    ASSERT_EQ(::chown(path.c_str(), 0, 4321), 0);
    ASSERT_EQ(::chmod(fs::path(path).parent_path().c_str(), 0777), 0);
    ASSERT_EQ(::setegid(65534), 0);
    ASSERT_EQ(::seteuid(65534), 0);
    Replace(path);
    ASSERT_EQ(::seteuid(0), 0);
    ASSERT_EQ(::setegid(0), 0);
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
