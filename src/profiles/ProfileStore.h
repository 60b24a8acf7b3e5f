// The stored session profiles: one binary value per profile under "Client\Profiles", named
// after the profile, holding the profile's stored form. A save replaces the stored set in
// one transaction and merges with what other programs saved meanwhile, so no profile is lost
// to a failure half way or to two programs saving at once.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Result.h"
#include "core/UserPrompt.h"
#include "profiles/CSessionProfile.h"
#include "settings/CSettingsStore.h"

namespace profiles {

inline constexpr std::string_view kProfilesKey = "Client\\Profiles";

// Profile names are compared as the store compares value names: ASCII letter case ignored.
bool SameName(std::string_view a, std::string_view b) noexcept;
// The list's order: alphabetical without regard to case, then by case.
bool NameBefore(std::string_view a, std::string_view b) noexcept;

std::vector<std::uint8_t> StoredForm(const CSessionProfile& profile);
// The whole value must be one profile: bytes that end early, contradict themselves or run
// past it are an error.
core::Result<CSessionProfile> LoadStoredForm(std::span<const std::uint8_t> bytes);

struct StoredProfile {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::optional<CSessionProfile> profile;  // none when the bytes did not load
    std::string error;                       // why they did not
};

// What one save changes; every other stored value stays as it is in the store at that moment.
struct ProfileChanges {
    std::vector<std::string> removed;
    std::vector<std::pair<std::string, CSessionProfile>> written;  // replacing a value of that name
};

class ProfileStore {
public:
    // path: the registry file, platform::KeyTree::DefaultPath() when empty.
    explicit ProfileStore(core::UserPrompt& prompt, std::string path = {});

    // Every stored profile in the store's enumeration order.
    core::Result<std::vector<StoredProfile>> Load();
    // Removes, then writes, and stores the resulting set sorted by name, all in one
    // transaction: on failure the store keeps exactly what it had.
    core::Status Save(const ProfileChanges& changes);
    // The named profile, its name's letter case ignored.
    core::Result<CSessionProfile> Find(std::string_view name);

    std::string KeyPath() const;

private:
    // The store is (re)opened when used, so a registry that was locked at first can be
    // saved to once it is free.
    settings::CSettingsStore* Store(std::string& error);

    core::UserPrompt& m_prompt;
    std::string m_path;
    std::unique_ptr<settings::CSettingsStore> m_store;
};

// The profile that `palomet-cli capture --profile NAME` captures with: every setting of the
// capture comes from it. The error names the profile or the store's problem.
core::Result<CSessionProfile> LoadNamedProfile(std::string_view name, core::UserPrompt& prompt,
                                               const std::string& registryPath = {});

}  // namespace profiles
