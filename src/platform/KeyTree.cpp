// The key tree's SQLite file: two tables, keys (id, parent, name) and vals (id, key, name,
// type, data); names compare without regard to ASCII letter case, as registry names do, and
// row ids keep the order things were first written.
#include "platform/KeyTree.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>

namespace platform {

namespace {

// Marks a file as ours, so another program's database is refused rather than written into.
constexpr int kApplicationId = 0x504C4D54;

constexpr const char* kSchema =
    "CREATE TABLE {}keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL,"
    " name TEXT NOT NULL COLLATE NOCASE, UNIQUE(parent, name));"
    "CREATE TABLE {}vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE,"
    " type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, name));"
    "INSERT INTO keys VALUES(1, 0, 'HKEY_LOCAL_MACHINE'), (2, 0, 'HKEY_CURRENT_USER'),"
    " (3, 1, 'SOFTWARE'), (4, 2, 'SOFTWARE');";

std::string SchemaSql(bool temporary) {
    std::string sql = kSchema;
    const std::string prefix = temporary ? "temp." : "";
    for (std::size_t at = sql.find("{}"); at != std::string::npos; at = sql.find("{}", at)) sql.replace(at, 2, prefix);
    return sql;
}

// The path split at backslashes; empty parts (doubled or trailing separators) are skipped.
std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const auto cut = path.find('\\');
        const auto part = path.substr(0, cut);
        if (!part.empty()) parts.push_back(part);
        if (cut == std::string_view::npos) break;
        path.remove_prefix(cut + 1);
    }
    return parts;
}

// Makes every missing folder of the file's path, readable by its owner only.
void MakeFolders(const std::string& file) {
    for (std::size_t at = file.find('/', 1); at != std::string::npos; at = file.find('/', at + 1))
        ::mkdir(file.substr(0, at).c_str(), 0700);
}

}  // namespace

// One prepared statement, finalised when it goes out of scope.
class KeyTree::Statement {
public:
    Statement(sqlite3* db, const char* sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    int Prepared() const noexcept { return m_rc; }
    void Bind(int index, std::int64_t value) { sqlite3_bind_int64(m_stmt, index, value); }
    // Text and bytes are bound without a copy: they outlive every Step of the statement.
    void Bind(int index, std::string_view text) {
        sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), nullptr);
    }
    void Bind(int index, std::span<const std::uint8_t> bytes) {
        if (bytes.empty())
            sqlite3_bind_zeroblob(m_stmt, index, 0);  // a zero-length value, not NULL
        else
            sqlite3_bind_blob(m_stmt, index, bytes.data(), static_cast<int>(bytes.size()), nullptr);
    }
    int Step() { return sqlite3_step(m_stmt); }
    std::int64_t Int(int column) { return sqlite3_column_int64(m_stmt, column); }
    std::string Text(int column) {
        const void* p = sqlite3_column_blob(m_stmt, column);
        const auto n = static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column));
        return p == nullptr ? std::string() : std::string(static_cast<const char*>(p), n);
    }
    std::vector<std::uint8_t> Blob(int column) {
        const void* p = sqlite3_column_blob(m_stmt, column);
        const auto n = static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column));
        if (p == nullptr) return {};
        const std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(p), n);
        return {bytes.begin(), bytes.end()};
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_OK;
};

std::string ValueTypeName(ValueType type) {
    switch (type) {
        case ValueType::None:
            return "REG_NONE";
        case ValueType::String:
            return "REG_SZ";
        case ValueType::ExpandString:
            return "REG_EXPAND_SZ";
        case ValueType::Binary:
            return "REG_BINARY";
        case ValueType::Dword:
            return "REG_DWORD";
        case ValueType::MultiString:
            return "REG_MULTI_SZ";
        case ValueType::Qword:
            return "REG_QWORD";
    }
    return "REG_" + std::to_string(static_cast<std::uint32_t>(type));
}

std::string KeyTree::DefaultPath() {
    const auto env = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string_view(value != nullptr ? value : "");
    };
    if (const auto path = env("PALOMET_REGISTRY"); !path.empty()) return std::string(path);
    if (const auto config = env("XDG_CONFIG_HOME"); config.starts_with('/'))
        return std::string(config) + "/palomet/registry.sqlite";
    if (const auto home = env("HOME"); !home.empty()) return std::string(home) + "/.config/palomet/registry.sqlite";
    return "registry.sqlite";
}

std::unique_ptr<KeyTree> KeyTree::Open(const std::string& path, KeyStatus& status, Options options) {
    int flags = SQLITE_OPEN_FULLMUTEX;
    if (options.access == Access::ReadOnly) {
        flags |= SQLITE_OPEN_READONLY;
    } else {
        // Made here rather than by SQLite, so that it is born owner-only.
        MakeFolders(path);
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0) ::close(fd);
        flags |= SQLITE_OPEN_READWRITE;
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    std::unique_ptr<KeyTree> tree(new KeyTree(db, path));
    if (rc != SQLITE_OK) {
        status = tree->Error(rc);
        return nullptr;
    }
    sqlite3_busy_timeout(db, static_cast<int>(options.busyTimeout.count()));
    status = tree->Prepare();
    if (!status.Ok()) return nullptr;
    return tree;
}

KeyTree::~KeyTree() { sqlite3_close_v2(m_db); }

// A new file gets the schema and the predefined roots. A file that cannot be written and has
// none yet reads as an empty tree (the tables live in memory for this connection). Only a
// new file is written to, so opening never waits for another program's write.
KeyStatus KeyTree::Prepare() {
    bool blank = false;
    auto inspect = [&]() -> KeyStatus {
        Statement id(m_db, "PRAGMA application_id");
        if (id.Prepared() != SQLITE_OK) return Error(id.Prepared());
        int rc = id.Step();
        if (rc != SQLITE_ROW) return Error(rc);
        const auto appId = id.Int(0);
        Statement count(m_db, "SELECT count(*) FROM sqlite_master");
        if (count.Prepared() != SQLITE_OK) return Error(count.Prepared());
        rc = count.Step();
        if (rc != SQLITE_ROW) return Error(rc);
        blank = count.Int(0) == 0 && appId == 0;
        if (blank || appId == kApplicationId) return {};
        return {KeyCode::NotAStore, m_path + " is not a settings store (it holds another program's database)"};
    };
    if (auto looked = inspect(); !looked.Ok() || !blank) return looked;
    const bool writable = sqlite3_db_readonly(m_db, "main") == 0;
    if (!writable) return Exec(SchemaSql(true).c_str());
    // Another program may have made the schema meanwhile: look again under the write lock.
    return InTransaction([&]() -> KeyStatus {
        if (auto looked = inspect(); !looked.Ok() || !blank) return looked;
        if (auto made = Exec(SchemaSql(false).c_str()); !made.Ok()) return made;
        return Exec(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
    });
}

KeyStatus KeyTree::Error(int rc) const {
    const std::string detail = m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
    switch (rc & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return {KeyCode::Busy, m_path + " is locked by another program (" + detail + ")"};
        case SQLITE_READONLY:
            return {KeyCode::ReadOnly, m_path + " is read-only (" + detail + ")"};
        case SQLITE_NOTADB:
            return {KeyCode::NotAStore, m_path + " is not a settings store (" + detail + ")"};
        case SQLITE_CANTOPEN:
            return {KeyCode::Failed, m_path + " cannot be opened (" + detail + ")"};
        default:
            return {KeyCode::Failed, m_path + ": " + detail};
    }
}

KeyStatus KeyTree::Exec(const char* sql) {
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? KeyStatus{} : Error(rc);
}

KeyStatus KeyTree::InTransaction(const std::function<KeyStatus()>& work) {
    if (m_transactionDepth > 0) return work();
    // A reader of a file that cannot be written takes no write lock.
    const bool writable = sqlite3_db_readonly(m_db, "main") == 0;
    if (auto begun = Exec(writable ? "BEGIN IMMEDIATE" : "BEGIN"); !begun.Ok()) return begun;
    ++m_transactionDepth;
    KeyStatus result;
    try {
        result = work();
    } catch (...) {
        --m_transactionDepth;
        (void)Exec("ROLLBACK");
        throw;
    }
    --m_transactionDepth;
    if (result.Ok()) result = Exec("COMMIT");
    if (!result.Ok() && sqlite3_get_autocommit(m_db) == 0) (void)Exec("ROLLBACK");
    return result;
}

KeyStatus KeyTree::SelectOne(const char* sql, KeyHandle key, std::string_view name, std::string_view what,
                             const std::function<void(Statement&)>& read) {
    Statement query(m_db, sql);
    if (query.Prepared() != SQLITE_OK) return Error(query.Prepared());
    query.Bind(1, key);
    query.Bind(2, name);
    const int rc = query.Step();
    if (rc == SQLITE_DONE) return {KeyCode::NotFound, std::string(name) + ": no such " + std::string(what)};
    if (rc != SQLITE_ROW) return Error(rc);
    read(query);
    return {};
}

KeyStatus KeyTree::FindChild(KeyHandle parent, std::string_view name, KeyHandle& key) {
    return SelectOne("SELECT id FROM keys WHERE parent = ?1 AND name = ?2", parent, name, "key",
                     [&key](Statement& row) { key = row.Int(0); });
}

KeyStatus KeyTree::OpenKey(KeyHandle parent, std::string_view subPath, KeyHandle& key) {
    KeyHandle at = parent;
    for (const auto part : SplitPath(subPath))
        if (auto found = FindChild(at, part, at); !found.Ok()) return found;
    key = at;
    return {};
}

KeyStatus KeyTree::CreateKey(KeyHandle parent, std::string_view subPath, KeyHandle& key) {
    // Keys that exist are only looked at, so a file that cannot be written still opens them.
    if (OpenKey(parent, subPath, key).Ok()) return {};
    return InTransaction([&]() -> KeyStatus {
        KeyHandle at = parent;
        for (const auto part : SplitPath(subPath)) {
            auto found = FindChild(at, part, at);
            if (found.Ok()) continue;
            if (found.code != KeyCode::NotFound) return found;
            Statement add(m_db, "INSERT INTO keys(parent, name) VALUES(?1, ?2)");
            if (add.Prepared() != SQLITE_OK) return Error(add.Prepared());
            add.Bind(1, at);
            add.Bind(2, part);
            if (const int rc = add.Step(); rc != SQLITE_DONE) return Error(rc);
            at = sqlite3_last_insert_rowid(m_db);
        }
        key = at;
        return {};
    });
}

KeyStatus KeyTree::QueryValue(KeyHandle key, std::string_view name, KeyValue& value) {
    return SelectOne("SELECT name, type, data FROM vals WHERE key = ?1 AND name = ?2", key, name, "value",
                     [&value](Statement& row) {
                         value = {row.Text(0), static_cast<ValueType>(row.Int(1)), row.Blob(2)};
                     });
}

KeyStatus KeyTree::QueryValueSize(KeyHandle key, std::string_view name, std::size_t& size) {
    return SelectOne("SELECT length(data) FROM vals WHERE key = ?1 AND name = ?2", key, name, "value",
                     [&size](Statement& row) { size = static_cast<std::size_t>(row.Int(0)); });
}

KeyStatus KeyTree::SetValue(KeyHandle key, std::string_view name, ValueType type, std::span<const std::uint8_t> data) {
    Statement set(m_db,
                  "INSERT INTO vals(key, name, type, data) VALUES(?1, ?2, ?3, ?4)"
                  " ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, data = excluded.data");
    if (set.Prepared() != SQLITE_OK) return Error(set.Prepared());
    set.Bind(1, key);
    set.Bind(2, name);
    set.Bind(3, static_cast<std::int64_t>(type));
    set.Bind(4, data);
    const int rc = set.Step();
    return rc == SQLITE_DONE ? KeyStatus{} : Error(rc);
}

KeyStatus KeyTree::DeleteValue(KeyHandle key, std::string_view name) {
    Statement del(m_db, "DELETE FROM vals WHERE key = ?1 AND name = ?2");
    if (del.Prepared() != SQLITE_OK) return Error(del.Prepared());
    del.Bind(1, key);
    del.Bind(2, name);
    if (const int rc = del.Step(); rc != SQLITE_DONE) return Error(rc);
    if (sqlite3_changes(m_db) == 0) return {KeyCode::NotFound, std::string(name) + ": no such value"};
    return {};
}

KeyStatus KeyTree::EnumValue(KeyHandle key, std::size_t index, std::string& name) {
    Statement query(m_db, "SELECT name FROM vals WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2");
    if (query.Prepared() != SQLITE_OK) return Error(query.Prepared());
    query.Bind(1, key);
    query.Bind(2, static_cast<std::int64_t>(index));
    const int rc = query.Step();
    if (rc == SQLITE_DONE) return {KeyCode::NoMoreItems, "no more values"};
    if (rc != SQLITE_ROW) return Error(rc);
    name = query.Text(0);
    return {};
}

KeyStatus KeyTree::Values(KeyHandle key, std::vector<KeyValue>& values) {
    Statement query(m_db, "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id");
    if (query.Prepared() != SQLITE_OK) return Error(query.Prepared());
    query.Bind(1, key);
    values.clear();
    int rc = SQLITE_OK;
    while ((rc = query.Step()) == SQLITE_ROW)
        values.push_back({query.Text(0), static_cast<ValueType>(query.Int(1)), query.Blob(2)});
    return rc == SQLITE_DONE ? KeyStatus{} : Error(rc);
}

KeyStatus KeyTree::Export(std::vector<KeyDump>& keys) {
    // One read transaction, so the picture is of one moment even while another program writes.
    return InTransaction([&]() -> KeyStatus {
        Statement query(m_db, "SELECT id, parent, name FROM keys ORDER BY id");
        if (query.Prepared() != SQLITE_OK) return Error(query.Prepared());
        std::map<KeyHandle, std::vector<std::pair<KeyHandle, std::string>>> children;
        int rc = SQLITE_OK;
        while ((rc = query.Step()) == SQLITE_ROW) children[query.Int(1)].emplace_back(query.Int(0), query.Text(2));
        if (rc != SQLITE_DONE) return Error(rc);
        // Depth first, each level in the order its keys were made; a key whose parent is gone
        // is never reached, so a damaged file cannot make this loop.
        keys.clear();
        std::vector<std::pair<KeyHandle, std::string>> pending;
        auto pushChildren = [&](KeyHandle parent, const std::string& path) {
            const auto it = children.find(parent);
            if (it == children.end()) return;
            for (auto child = it->second.rbegin(); child != it->second.rend(); ++child)
                pending.emplace_back(child->first, path.empty() ? child->second : path + "\\" + child->second);
        };
        pushChildren(0, "");
        while (!pending.empty()) {
            auto [id, path] = std::move(pending.back());
            pending.pop_back();
            KeyDump dump{path, {}};
            if (auto read = Values(id, dump.values); !read.Ok()) return read;
            keys.push_back(std::move(dump));
            pushChildren(id, path);
            children.erase(id);
        }
        return {};
    });
}

}  // namespace platform
