// Decoder configuration: makes the four tables in their fixed order and stores or loads them
// under its lock (released by the guard when the archive throws).
#include "decode/CPktParsersConf.h"

#include <mutex>

namespace decode {

CPktParsersConf::CPktParsersConf(core::Locking locking, tables::TableSource source)
    : core::CPktLockable(locking),
      m_etherNums(std::make_unique<tables::CPktEtherNums>(source)),
      m_iprotNums(std::make_unique<tables::CPktIProtNums>(source)),
      m_wportNums(std::make_unique<tables::CPktWPortNums>(source)),
      m_tcpNums(std::make_unique<tables::CPktTCPNums>(source)) {}

CPktParsersConf::~CPktParsersConf() = default;

const tables::CPktEtherNums& CPktParsersConf::GetEtherNums() const {
    std::lock_guard guard(*this);
    return *m_etherNums;
}

const tables::CPktIProtNums& CPktParsersConf::GetIProtNums() const {
    std::lock_guard guard(*this);
    return *m_iprotNums;
}

const tables::CPktWPortNums& CPktParsersConf::GetWPortNums() const {
    std::lock_guard guard(*this);
    return *m_wportNums;
}

const tables::CPktTCPNums& CPktParsersConf::GetTCPNums() const {
    std::lock_guard guard(*this);
    return *m_tcpNums;
}

void CPktParsersConf::Serialize(core::Archive& ar) {
    std::lock_guard guard(*this);
    if (ar.IsStoring()) {
        ar.WriteU32(core::kSchema);
    } else if (ar.ReadU32() != core::kSchema) {
        return;
    }
    m_etherNums->Serialize(ar);
    m_iprotNums->Serialize(ar);
    m_wportNums->Serialize(ar);
    m_tcpNums->Serialize(ar);
}

}  // namespace decode
