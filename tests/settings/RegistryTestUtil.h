// Helpers for tests of the settings store and what is kept in it: a fresh registry file per
// test, raw SQL on it (to plant faults the way a full disk or another program would), and
// whole-file snapshots to show that nothing was written.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testutil {

inline std::string ScratchRegistry(const std::string& name = "registry.sqlite") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto dir = std::filesystem::path(::testing::TempDir()) / "palomet-registry-tests" /
                     (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(dir);
    return (dir / name).string();
}

// Runs sql on its own connection; the returned connection (when keep) holds what sql began.
inline sqlite3* Sql(const std::string& path, const std::string& sql, bool keep = false) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    if (keep) return db;
    sqlite3_close(db);
    return nullptr;
}

inline std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace testutil
