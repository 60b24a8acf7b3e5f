// Raw SQL on a registry file, for tests of the settings store and what is kept in it: to plant
// faults the way a full disk or another program would. Each test's registry file lies in its
// scratch folder (support/Scratch.h), fresh for every test.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "support/Files.h"
#include "support/Scratch.h"

namespace testutil {

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
