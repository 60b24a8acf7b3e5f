// Output files renamed into place: nothing under the final name until the commit, the old
// file kept when the write is abandoned, a link's target replaced and the link kept, and a
// device written directly, never replaced.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/PendingFile.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PendingFile, TheFinalNameChangesOnlyOnCommit) {
    const auto dir = fs::path(::testing::TempDir()) / ("pending-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "old") << "old";
    std::ofstream(dir / "target") << "target";
    fs::create_symlink(dir / "target", dir / "link");
    struct Case {
        const char* name;
        fs::path path;
        bool commit;
        fs::path changed;   // the file that holds "new" afterwards, empty when none
        const char* before;  // what path holds afterwards when not committed
    };
    const Case cases[] = {
        {"new file, committed", dir / "fresh", true, dir / "fresh", ""},
        {"old file, abandoned", dir / "old", false, {}, "old"},
        {"old file, committed", dir / "old", true, dir / "old", ""},
        {"link, committed", dir / "link", true, dir / "target", ""},
    };
    for (const auto& c : cases) {
        {
            auto pending = core::PendingFile::Create(c.path.string());
            ASSERT_TRUE(pending.Ok()) << c.name << ": " << pending.Err().text;
            const std::vector<std::uint8_t> bytes = {'n', 'e', 'w'};
            ASSERT_TRUE(pending.Value().File().WriteAt(0, bytes).Ok());
            if (c.commit) { ASSERT_TRUE(pending.Value().Commit().Ok()) << c.name; }
        }
        if (!c.changed.empty()) {
            EXPECT_EQ(Read(c.changed), "new") << c.name;
        } else {
            EXPECT_EQ(Read(c.path), c.before) << c.name;
        }
        std::size_t files = 0;
        for (const auto& entry : fs::directory_iterator(dir)) files += entry.path().filename().string()[0] == '.';
        EXPECT_EQ(files, 0U) << c.name << ": no temporary file is left";
    }
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    // A device has nothing to replace: it is written directly and stays what it is.
    auto device = core::PendingFile::Create("/dev/null");
    ASSERT_TRUE(device.Ok());
    EXPECT_TRUE(device.Value().IsDirect());
    EXPECT_TRUE(device.Value().Commit().Ok());
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    fs::remove_all(dir);
}

}  // namespace
