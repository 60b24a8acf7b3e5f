// TCP option kinds 0 to 19, indexed by kind.
#include <algorithm>

#include "tables/LookupTables.h"
#include "tables/SlotArchive.h"
#include "tables/TableFile.h"
#include "tables/TableLoader.h"

namespace tables {

CPktTCPNums::CPktTCPNums(TableSource source) {
    if (source == TableSource::Empty) return;
    if (auto file = TableFile::Open(kTcpOptionsFile)) {
        m_path = std::move(file->path);
        TableLoader::TcpOptions(file->text, *this);
    }
}

const CPktTCPOptType* CPktTCPNums::Find(std::uint8_t kind) const noexcept {
    return kind < kSlots ? m_slots[kind].get() : nullptr;
}

bool CPktTCPNums::Add(CPktTCPOptType entry) {
    if (entry.kind >= kSlots || m_slots[entry.kind]) return false;
    const std::uint8_t kind = entry.kind;
    m_slots[kind] = std::make_unique<CPktTCPOptType>(std::move(entry));
    return true;
}

std::size_t CPktTCPNums::Count() const noexcept {
    return static_cast<std::size_t>(
        std::count_if(m_slots.begin(), m_slots.end(), [](const auto& s) { return s != nullptr; }));
}

void CPktTCPNums::Serialize(core::Archive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(core::kSchema);
        StoreSlots(ar, m_slots);
        return;
    }
    if (ar.ReadU32() != core::kSchema) return;
    auto loaded = LoadSlots<CPktTCPOptType>(ar, kSlots, [](const CPktTCPOptType& e) { return e.kind; });
    std::move(loaded.begin(), loaded.end(), m_slots.begin());
}

}  // namespace tables
