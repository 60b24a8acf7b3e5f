// IP protocol numbers: 256 slots indexed by the number, "Unknown" for an empty one.
#include <algorithm>

#include "tables/LookupTables.h"
#include "tables/SlotArchive.h"
#include "tables/TableFile.h"
#include "tables/TableLoader.h"

namespace tables {

namespace {
const std::string& Unknown() {
    static const std::string text = "Unknown";
    return text;
}
}  // namespace

CPktIProtNums::CPktIProtNums(TableSource source) {
    if (source == TableSource::Empty) return;
    if (auto file = TableFile::Open(kProtocolNumbersFile)) {
        m_path = std::move(file->path);
        TableLoader::ProtocolNumbers(file->text, *this);
    }
}

const CPktIProtType* CPktIProtNums::Find(std::uint8_t protocol) const noexcept { return m_slots[protocol].get(); }

const std::string& CPktIProtNums::Description(std::uint8_t protocol) const noexcept {
    const auto* entry = Find(protocol);
    return entry ? entry->description : Unknown();
}

const std::string& CPktIProtNums::Keyword(std::uint8_t protocol) const noexcept {
    const auto* entry = Find(protocol);
    return entry ? entry->keyword : Unknown();
}

bool CPktIProtNums::Add(CPktIProtType entry) {
    auto& slot = m_slots[entry.number];
    if (slot) return false;
    slot = std::make_unique<CPktIProtType>(std::move(entry));
    return true;
}

std::size_t CPktIProtNums::Count() const noexcept {
    return static_cast<std::size_t>(
        std::count_if(m_slots.begin(), m_slots.end(), [](const auto& s) { return s != nullptr; }));
}

void CPktIProtNums::Serialize(core::Archive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(core::kSchema);
        StoreSlots(ar, m_slots);
        return;
    }
    if (ar.ReadU32() != core::kSchema) return;
    auto loaded = LoadSlots<CPktIProtType>(ar, m_slots.size(), [](const CPktIProtType& e) { return e.number; });
    std::move(loaded.begin(), loaded.end(), m_slots.begin());
}

}  // namespace tables
