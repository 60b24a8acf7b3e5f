// The settings store: the application's key chain in the registry (company, product,
// version, then the sub-key it was made for) and the objects kept there, one binary value
// each, holding exactly the bytes of the object's own archive form. No cache: every call
// goes to the registry file, so two stores on one sub-key see each other's writes at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Archive.h"
#include "core/Result.h"
#include "core/UserPrompt.h"
#include "platform/KeyTree.h"

namespace settings {

inline constexpr std::string_view kSoftwareKey = "SOFTWARE";
inline constexpr std::string_view kCompanyKey = "Dovrin";
inline constexpr std::string_view kProductKey = "Palomet 1.0";
inline constexpr std::string_view kVersionKey = "1.00.003";

// The full path of a sub-key of the application's key chain, root included.
std::string KeyChainPath(std::string_view subKey);

// An object as the store sees it: its Serialize, storing or loading through the archive.
using ObjectSerializer = std::function<void(core::Archive&)>;
template <class T>
ObjectSerializer SerializerOf(T& object) {
    return [&object](core::Archive& ar) { object.Serialize(ar); };
}

// One named object of a list that is loaded or stored in one call; the caller owns the object.
struct SettingsEntry {
    std::string name;
    ObjectSerializer object;
};

struct StoredValue {
    std::string name;
    std::vector<std::uint8_t> data;
};

class CSettingsStore {
public:
    // Opens (or makes) the key chain down to subKey ("Client\\Profiles": one key per level)
    // in the registry file at path, platform::KeyTree::DefaultPath() by default. A store
    // that could not get there says why in OpenError(); every operation then fails at once.
    CSettingsStore(std::string_view subKey, core::UserPrompt& prompt, const std::string& path = {});

    bool IsOpen() const noexcept { return m_tree != nullptr; }
    const std::string& OpenError() const noexcept { return m_openError; }
    // The sub-key's full path, for messages and exports.
    std::string KeyPath() const;

    bool QueryValueSize(std::string_view name, std::size_t& size);
    bool ReadBinary(std::string_view name, std::vector<std::uint8_t>& data);
    // Replaces a value of the same name.
    bool WriteBinary(std::string_view name, std::span<const std::uint8_t> data);
    bool StoreObject(std::string_view name, const ObjectSerializer& object);
    // Stores each entry in order and stops at the first failure.
    bool StoreObjects(std::span<const SettingsEntry> entries);
    // True only when the value loaded without error and to its last byte; an empty value is
    // a missing one.
    bool LoadObject(std::string_view name, const ObjectSerializer& object);
    // Fills the entries' names and objects from the values in enumeration order and returns
    // how many were enumerated, whether or not each one loaded. An enumeration error is
    // shown once in the "GetLastError" box.
    std::size_t LoadObjects(std::span<SettingsEntry> entries);
    // Deletes every value of the sub-key and returns how many went.
    std::size_t DeleteAllValues();

    // Every value of the sub-key, in enumeration order, read in one go.
    core::Result<std::vector<StoredValue>> ReadAllValues();
    // In one transaction: reads the values, lets change turn them into the new set, and puts
    // that set in their place. If anything fails, the sub-key keeps exactly what it had.
    core::Status ReplaceAllValues(const std::function<core::Status(std::vector<StoredValue>&)>& change);

    // Why the last operation failed.
    const std::string& LastError() const noexcept { return m_lastError; }

private:
    bool Check(const platform::KeyStatus& status);
    void ShowEnumerationError(const platform::KeyStatus& status);

    core::UserPrompt& m_prompt;
    std::unique_ptr<platform::KeyTree> m_tree;
    platform::KeyHandle m_subKey = 0;
    std::string m_subKeyName;
    std::string m_openError;
    std::string m_lastError;
};

}  // namespace settings
