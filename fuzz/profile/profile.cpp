// Fuzz target: the bytes as a stored session profile. A value either loads whole, and then
// stores back to exactly the same bytes, also after a trip through the profile sheet that
// changes nothing, or is refused; it never crashes or allocates what a length or count
// merely claims.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "profiles/ProfileForm.h"
#include "profiles/ProfileStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    auto loaded = profiles::LoadStoredForm(bytes);
    if (!loaded) return 0;
    const auto same = [bytes](const profiles::CSessionProfile& p) {
        const auto stored = profiles::StoredForm(p);
        return std::equal(stored.begin(), stored.end(), bytes.begin(), bytes.end());
    };
    if (!same(loaded.Value())) __builtin_trap();
    // Saved from the sheet with nothing edited: no setting may change on the way.
    profiles::CSessionProfile edited = loaded.Value();
    profiles::ProfileForm::From(edited, "name").TransferTo(edited);
    if (!same(edited)) __builtin_trap();
    return 0;
}
