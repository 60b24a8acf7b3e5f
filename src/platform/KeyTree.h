// A registry of our own: a tree of case-insensitively named keys, each holding named typed
// values, kept in one SQLite file. Every change is one transaction; two processes may use the
// same file at once (a busy peer is waited for, up to a time-out). Values and keys enumerate
// in the order they were first written.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace platform {

enum class KeyCode {
    Ok,
    NotFound,     // no such key or value
    NoMoreItems,  // enumeration past the last value
    Busy,         // another program holds the file locked
    ReadOnly,     // the file cannot be written
    NotAStore,    // the file is no settings store (not SQLite, or another program's database)
    Failed,       // anything else SQLite reports
};

// An operation's outcome: the code and, when it failed, a sentence that names the file and
// SQLite's own words.
struct KeyStatus {
    KeyCode code = KeyCode::Ok;
    std::string text;
    bool Ok() const noexcept { return code == KeyCode::Ok; }
};

// The registry's value types, by their usual numbers.
enum class ValueType : std::uint32_t {
    None = 0,
    String = 1,
    ExpandString = 2,
    Binary = 3,
    Dword = 4,
    MultiString = 7,
    Qword = 11
};
std::string ValueTypeName(ValueType type);

using KeyHandle = std::int64_t;
// The predefined roots; each has a "SOFTWARE" key from the start.
inline constexpr KeyHandle kLocalMachine = 1;
inline constexpr KeyHandle kCurrentUser = 2;

struct KeyValue {
    std::string name;
    ValueType type = ValueType::Binary;
    std::vector<std::uint8_t> data;
};

class KeyTree {
public:
    enum class Access { ReadWrite, ReadOnly };
    struct Options {
        Access access = Access::ReadWrite;
        std::chrono::milliseconds busyTimeout{5000};
    };

    // $PALOMET_REGISTRY, else $XDG_CONFIG_HOME/palomet/registry.sqlite, else
    // ~/.config/palomet/registry.sqlite.
    static std::string DefaultPath();

    // Read-write opening creates the file (and its folder) with owner-only permissions when
    // missing; read-only opening never creates anything. Null, with status set, on failure.
    static std::unique_ptr<KeyTree> Open(const std::string& path, KeyStatus& status, Options options);
    static std::unique_ptr<KeyTree> Open(const std::string& path, KeyStatus& status) {
        return Open(path, status, Options{});
    }

    ~KeyTree();
    KeyTree(const KeyTree&) = delete;
    KeyTree& operator=(const KeyTree&) = delete;

    const std::string& Path() const noexcept { return m_path; }

    // A backslash-separated path below parent. OpenKey finds it; CreateKey makes what is
    // missing, all levels in one transaction.
    KeyStatus OpenKey(KeyHandle parent, std::string_view subPath, KeyHandle& key);
    KeyStatus CreateKey(KeyHandle parent, std::string_view subPath, KeyHandle& key);

    KeyStatus QueryValue(KeyHandle key, std::string_view name, KeyValue& value);
    KeyStatus QueryValueSize(KeyHandle key, std::string_view name, std::size_t& size);
    // Replaces a value of the same name in its place, else appends.
    KeyStatus SetValue(KeyHandle key, std::string_view name, ValueType type, std::span<const std::uint8_t> data);
    KeyStatus DeleteValue(KeyHandle key, std::string_view name);
    // The name of the value at index; NoMoreItems past the last.
    KeyStatus EnumValue(KeyHandle key, std::size_t index, std::string& name);
    KeyStatus Values(KeyHandle key, std::vector<KeyValue>& values);

    // Every key, parents before children, with its full path and its values.
    struct KeyDump {
        std::string path;
        std::vector<KeyValue> values;
    };
    KeyStatus Export(std::vector<KeyDump>& keys);

    // Runs work in one write transaction: committed when work returns Ok, rolled back
    // otherwise, so the file holds all of it or none. Waits for a busy peer first, so two
    // writers never interleave. Transactions nest (the inner ones join the outer).
    KeyStatus InTransaction(const std::function<KeyStatus()>& work);

private:
    class Statement;

    KeyTree(sqlite3* db, std::string path) : m_db(db), m_path(std::move(path)) {}
    KeyStatus Prepare();
    KeyStatus Error(int rc) const;
    KeyStatus Exec(const char* sql);
    // The first row of sql over (?1 key, ?2 name), handed to read; NotFound names what is missing.
    KeyStatus SelectOne(const char* sql, KeyHandle key, std::string_view name, std::string_view what,
                        const std::function<void(Statement&)>& read);
    KeyStatus FindChild(KeyHandle parent, std::string_view name, KeyHandle& key);

    sqlite3* m_db = nullptr;
    std::string m_path;
    int m_transactionDepth = 0;
};

}  // namespace platform
