#include "support/Scratch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <system_error>

namespace support {
namespace {

namespace fs = std::filesystem;

fs::path ProcessDir() { return fs::path(::testing::TempDir()) / ("palomet-tests-" + std::to_string(::getpid())); }

fs::path DirOf(const ::testing::TestInfo* test) {
    // Parameterised tests have slashes in their names.
    std::string name = test == nullptr ? "global" : std::string(test->test_suite_name()) + "." + test->name();
    std::replace(name.begin(), name.end(), '/', '_');
    return ProcessDir() / name;
}

std::mutex g_mutex;
const ::testing::TestInfo* g_prepared = nullptr;  // the test whose folder was emptied last

// Removes a passed test's folder, and the process's folder once no failed test left one.
class Sweeper final : public ::testing::EmptyTestEventListener {
public:
    void OnTestEnd(const ::testing::TestInfo& test) override {
        const std::scoped_lock lock(g_mutex);
        g_prepared = nullptr;
        std::error_code ignored;
        if (test.result()->Passed()) fs::remove_all(DirOf(&test), ignored);
    }
    void OnTestProgramEnd(const ::testing::UnitTest&) override {
        std::error_code ignored;
        fs::remove_all(DirOf(nullptr), ignored);
        fs::remove(ProcessDir(), ignored);  // only when empty
    }
};

}  // namespace

fs::path ScratchDir() {
    static const bool sweeping = [] {
        ::testing::UnitTest::GetInstance()->listeners().Append(new Sweeper);
        return true;
    }();
    (void)sweeping;
    const std::scoped_lock lock(g_mutex);
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const fs::path dir = DirOf(test);
    if (test != nullptr && test != g_prepared) {
        g_prepared = test;
        fs::remove_all(dir);  // what an earlier run of the same test left
    }
    fs::create_directories(dir);
    return dir;
}

std::string TempPath(const std::string& name) { return (ScratchDir() / name).string(); }

}  // namespace support
