// Stored form of a MAC address: schema word 1, then the six bytes in wire order.
#include "tables/CPktEtherAddr.h"

namespace tables {

void CPktEtherAddr::Serialize(core::Archive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(core::kSchema);
        ar.WriteBytes(m_addr);
        return;
    }
    if (ar.ReadU32() != core::kSchema) return;  // read no further; keep the address
    const auto bytes = ar.ReadBytes(m_addr.size());
    std::copy(bytes.begin(), bytes.end(), m_addr.begin());
}

}  // namespace tables
