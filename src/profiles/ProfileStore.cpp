// Stored profiles: load each value on its own (one bad value spoils no other), and save by
// merging this program's changes into the set as stored now, in one transaction.
#include "profiles/ProfileStore.h"

#include <algorithm>

#include "platform/LetterCase.h"

namespace profiles {

bool SameName(std::string_view a, std::string_view b) noexcept { return platform::EqualsIgnoringCase(a, b); }

bool NameBefore(std::string_view a, std::string_view b) noexcept {
    const int folded = platform::CompareIgnoringCase(a, b);
    return folded != 0 ? folded < 0 : a < b;
}

std::vector<std::uint8_t> StoredForm(const CSessionProfile& profile) {
    std::vector<std::uint8_t> bytes;
    core::Archive ar(bytes);
    CSessionProfile copy = profile;  // Serialize serves both directions, so it is not const
    copy.Serialize(ar);
    return bytes;
}

core::Result<CSessionProfile> LoadStoredForm(std::span<const std::uint8_t> bytes) {
    CSessionProfile profile;
    try {
        core::Archive ar(bytes);
        profile.Serialize(ar);
        if (ar.Remaining() != 0)
            return core::Fail(core::ErrorKind::Corrupt, std::to_string(ar.Remaining()) + " bytes past the profile");
    } catch (const core::ArchiveException& e) {
        const auto kind = e.GetCause() == core::ArchiveException::Cause::EndOfFile ? core::ErrorKind::Truncated
                                                                                   : core::ErrorKind::Corrupt;
        return core::Fail(kind, e.what());
    }
    return profile;
}

ProfileStore::ProfileStore(core::UserPrompt& prompt, std::string path) : m_prompt(prompt), m_path(std::move(path)) {}

settings::CSettingsStore* ProfileStore::Store(std::string& error) {
    if (!m_store || !m_store->IsOpen())
        m_store = std::make_unique<settings::CSettingsStore>(kProfilesKey, m_prompt, m_path);
    if (m_store->IsOpen()) return m_store.get();
    error = m_store->OpenError();
    return nullptr;
}

std::string ProfileStore::KeyPath() const { return settings::KeyChainPath(kProfilesKey); }

core::Result<std::vector<StoredProfile>> ProfileStore::Load() {
    std::string error;
    settings::CSettingsStore* store = Store(error);
    if (store == nullptr) return core::Fail(core::ErrorKind::Io, error);
    auto values = store->ReadAllValues();
    if (!values) return values.Err();
    std::vector<StoredProfile> profiles;
    for (auto& v : values.Value()) {
        StoredProfile p{std::move(v.name), std::move(v.data), std::nullopt, {}};
        if (p.bytes.empty()) {
            p.error = "the value is empty";
        } else if (auto loaded = LoadStoredForm(p.bytes)) {
            p.profile = std::move(loaded).Value();
        } else {
            p.error = loaded.Err().text;
        }
        profiles.push_back(std::move(p));
    }
    return profiles;
}

core::Status ProfileStore::Save(const ProfileChanges& changes) {
    std::string error;
    settings::CSettingsStore* store = Store(error);
    if (store == nullptr) return core::Fail(core::ErrorKind::Io, error);
    return store->ReplaceAllValues([&](std::vector<settings::StoredValue>& values) -> core::Status {
        auto drop = [&values](std::string_view name) {
            std::erase_if(values, [name](const settings::StoredValue& v) { return SameName(v.name, name); });
        };
        for (const auto& name : changes.removed) drop(name);
        for (const auto& [name, profile] : changes.written) {
            drop(name);
            values.push_back({name, StoredForm(profile)});
        }
        std::stable_sort(
            values.begin(), values.end(),
            [](const settings::StoredValue& a, const settings::StoredValue& b) { return NameBefore(a.name, b.name); });
        return core::Success();
    });
}

core::Result<CSessionProfile> ProfileStore::Find(std::string_view name) {
    auto stored = Load();
    if (!stored) return stored.Err();
    for (auto& p : stored.Value()) {
        if (!SameName(p.name, name)) continue;
        if (!p.profile)
            return core::Fail(core::ErrorKind::Corrupt,
                              "Session profile \"" + p.name + "\" could not be read: " + p.error);
        return std::move(*p.profile);
    }
    return core::Fail(core::ErrorKind::Unsupported, "No session profile named \"" + std::string(name) + "\".");
}

core::Result<CSessionProfile> LoadNamedProfile(std::string_view name, core::UserPrompt& prompt,
                                               const std::string& registryPath) {
    ProfileStore store(prompt, registryPath);
    return store.Find(name);
}

}  // namespace profiles
