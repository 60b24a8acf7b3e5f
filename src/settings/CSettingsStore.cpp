// The settings store over the key tree: the key chain, one object per binary value, and the
// whole-set replacement that the profile list is saved with.
#include "settings/CSettingsStore.h"

namespace settings {

namespace {
using platform::KeyCode;
using platform::KeyStatus;
}  // namespace

std::string KeyChainPath(std::string_view subKey) {
    return "HKEY_LOCAL_MACHINE\\" + std::string(kSoftwareKey) + "\\" + std::string(kCompanyKey) + "\\" +
           std::string(kProductKey) + "\\" + std::string(kVersionKey) + "\\" + std::string(subKey);
}

CSettingsStore::CSettingsStore(std::string_view subKey, core::UserPrompt& prompt, const std::string& path)
    : m_prompt(prompt),
      m_subKeyName(subKey) {
    KeyStatus status;
    auto tree = platform::KeyTree::Open(path.empty() ? platform::KeyTree::DefaultPath() : path, status);
    if (!tree) {
        m_openError = status.text;
        return;
    }
    // SOFTWARE is opened, never made; the levels below it are made when missing.
    platform::KeyHandle software = 0;
    platform::KeyHandle key = 0;
    status = tree->OpenKey(platform::kLocalMachine, kSoftwareKey, software);
    if (status.Ok()) {
        const std::string chain = std::string(kCompanyKey) + "\\" + std::string(kProductKey) + "\\" +
                                  std::string(kVersionKey) + "\\" + m_subKeyName;
        status = tree->CreateKey(software, chain, key);
    }
    if (!status.Ok()) {
        m_openError = status.text;
        return;
    }
    m_tree = std::move(tree);
    m_subKey = key;
}

std::string CSettingsStore::KeyPath() const { return KeyChainPath(m_subKeyName); }

bool CSettingsStore::Check(const KeyStatus& status) {
    if (!status.Ok()) m_lastError = status.text;
    return status.Ok();
}

void CSettingsStore::ShowEnumerationError(const KeyStatus& status) {
    m_lastError = status.text;
    m_prompt.Tell("GetLastError: " + status.text, core::PromptIcon::Information);
}

bool CSettingsStore::QueryValueSize(std::string_view name, std::size_t& size) {
    return IsOpen() && Check(m_tree->QueryValueSize(m_subKey, name, size));
}

bool CSettingsStore::ReadBinary(std::string_view name, std::vector<std::uint8_t>& data) {
    if (!IsOpen()) return false;
    platform::KeyValue value;
    if (!Check(m_tree->QueryValue(m_subKey, name, value))) return false;
    data = std::move(value.data);
    return true;
}

bool CSettingsStore::WriteBinary(std::string_view name, std::span<const std::uint8_t> data) {
    return IsOpen() && Check(m_tree->SetValue(m_subKey, name, platform::ValueType::Binary, data));
}

bool CSettingsStore::StoreObject(std::string_view name, const ObjectSerializer& object) {
    if (!IsOpen()) return false;
    std::vector<std::uint8_t> bytes;
    core::Archive ar(bytes);
    object(ar);
    return WriteBinary(name, bytes);
}

bool CSettingsStore::StoreObjects(std::span<const SettingsEntry> entries) {
    bool stored = IsOpen();
    for (const auto& entry : entries) {
        stored = StoreObject(entry.name, entry.object);
        if (!stored) break;
    }
    return stored;
}

bool CSettingsStore::LoadObject(std::string_view name, const ObjectSerializer& object) {
    std::vector<std::uint8_t> bytes;
    if (!ReadBinary(name, bytes) || bytes.empty()) return false;
    try {
        core::Archive ar{std::span<const std::uint8_t>(bytes)};
        object(ar);
        // Bytes left over were written by some other layout: not this object.
        if (ar.Remaining() != 0) {
            m_lastError = std::string(name) + ": " + std::to_string(ar.Remaining()) + " bytes too many";
            return false;
        }
    } catch (const core::ArchiveException& e) {
        m_lastError = std::string(name) + ": " + e.what();
        return false;
    }
    return true;
}

std::size_t CSettingsStore::LoadObjects(std::span<SettingsEntry> entries) {
    if (!IsOpen()) return 0;
    std::size_t i = 0;
    for (; i < entries.size(); ++i) {
        const KeyStatus found = m_tree->EnumValue(m_subKey, i, entries[i].name);
        if (found.code == KeyCode::NoMoreItems) break;
        if (!found.Ok()) {
            ShowEnumerationError(found);
            break;
        }
        (void)LoadObject(entries[i].name, entries[i].object);  // counted whether it loaded or not
    }
    return i;
}

std::size_t CSettingsStore::DeleteAllValues() {
    if (!IsOpen()) return 0;
    std::size_t deleted = 0;
    // All of them or, when one cannot be deleted, none: the loop never spins on it.
    const KeyStatus done = m_tree->InTransaction([&]() -> KeyStatus {
        for (;;) {
            std::string name;
            KeyStatus found = m_tree->EnumValue(m_subKey, 0, name);
            if (found.code == KeyCode::NoMoreItems) return {};
            if (!found.Ok()) {
                ShowEnumerationError(found);
                return found;
            }
            if (KeyStatus gone = m_tree->DeleteValue(m_subKey, name); !gone.Ok()) return gone;
            ++deleted;
        }
    });
    if (!Check(done)) return 0;
    return deleted;
}

core::Result<std::vector<StoredValue>> CSettingsStore::ReadAllValues() {
    if (!IsOpen()) return core::Fail(core::ErrorKind::Io, m_openError);
    std::vector<platform::KeyValue> values;
    if (!Check(m_tree->Values(m_subKey, values))) return core::Fail(core::ErrorKind::Io, m_lastError);
    std::vector<StoredValue> stored;
    stored.reserve(values.size());
    for (auto& v : values) stored.push_back({std::move(v.name), std::move(v.data)});
    return stored;
}

core::Status CSettingsStore::ReplaceAllValues(const std::function<core::Status(std::vector<StoredValue>&)>& change) {
    if (!IsOpen()) return core::Fail(core::ErrorKind::Io, m_openError);
    const KeyStatus done = m_tree->InTransaction([&]() -> KeyStatus {
        std::vector<platform::KeyValue> current;
        if (KeyStatus read = m_tree->Values(m_subKey, current); !read.Ok()) return read;
        std::vector<StoredValue> values;
        for (auto& v : current) values.push_back({v.name, std::move(v.data)});
        if (const core::Status changed = change(values); !changed.Ok()) return {KeyCode::Failed, changed.Err().text};
        for (const auto& v : current)
            if (KeyStatus gone = m_tree->DeleteValue(m_subKey, v.name); !gone.Ok()) return gone;
        for (const auto& v : values)
            if (KeyStatus set = m_tree->SetValue(m_subKey, v.name, platform::ValueType::Binary, v.data); !set.Ok())
                return set;
        return {};
    });
    if (Check(done)) return core::Success();
    return core::Fail(core::ErrorKind::Io, m_lastError);
}

}  // namespace settings
