// Helpers for tests of the settings store and what is kept in it: a fresh registry file per
// test and raw SQL on it, to plant faults the way a full disk or another program would.
// Whole-file snapshots (ReadAll, WriteAll) come from the capture tests' helpers.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "capture/TraceTestUtil.h"

namespace testutil {

inline std::string ScratchRegistry(const std::string& name = "registry.sqlite") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto dir = std::filesystem::path(::testing::TempDir()) / "palomet-registry-tests" /
                     (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
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

}  // namespace testutil
