// A hash map that stops growing at a given number of keys: a capture of a million scanned
// addresses must not take a million rows of memory. A key that arrives once the map is full
// gets no row; the caller counts it in its table's "other" row.
#pragma once

#include <cstddef>
#include <unordered_map>

namespace stats {

template <class Key, class Value, class Hash>
class CappedMap {
public:
    explicit CappedMap(std::size_t cap) : m_cap(cap) {}

    // The key's value, made (value-initialised, made set) when the key is new; nullptr when
    // it is new and the map is full.
    Value* Find(const Key& key, bool& made) {
        made = false;
        if (auto it = m_map.find(key); it != m_map.end()) return &it->second;
        if (m_map.size() >= m_cap) return nullptr;
        made = true;
        return &m_map.try_emplace(key).first->second;
    }

    std::size_t Size() const noexcept { return m_map.size(); }
    std::size_t Cap() const noexcept { return m_cap; }
    const std::unordered_map<Key, Value, Hash>& Entries() const noexcept { return m_map; }

private:
    std::size_t m_cap;
    std::unordered_map<Key, Value, Hash> m_map;
};

}  // namespace stats
