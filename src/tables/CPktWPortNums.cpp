// Well-known ports: a TCP and a UDP array of 1024 slots, "Unassigned" beyond them or empty.
#include <algorithm>

#include "tables/LookupTables.h"
#include "tables/SlotArchive.h"
#include "tables/TableFile.h"
#include "tables/TableLoader.h"

namespace tables {

namespace {

const std::string& Unassigned() {
    static const std::string text = "Unassigned";
    return text;
}

const CPktWPortType* SlotOf(const std::vector<std::unique_ptr<CPktWPortType>>& slots, std::uint16_t port) {
    return port < slots.size() ? slots[port].get() : nullptr;
}

bool Place(std::vector<std::unique_ptr<CPktWPortType>>& slots, CPktWPortType entry) {
    if (entry.port >= slots.size() || slots[entry.port]) return false;
    const std::uint16_t port = entry.port;
    slots[port] = std::make_unique<CPktWPortType>(std::move(entry));
    return true;
}

std::size_t Filled(const std::vector<std::unique_ptr<CPktWPortType>>& slots) {
    return static_cast<std::size_t>(
        std::count_if(slots.begin(), slots.end(), [](const auto& s) { return s != nullptr; }));
}

std::size_t PortOf(const CPktWPortType& e) { return e.port; }

}  // namespace

CPktWPortNums::CPktWPortNums(TableSource source) : m_udp(kSlots), m_tcp(kSlots) {
    if (source == TableSource::Empty) return;
    if (auto file = TableFile::Open(kPortNumbersFile)) {
        m_path = std::move(file->path);
        TableLoader::PortNumbers(file->text, *this);
    }
}

const CPktWPortType* CPktWPortNums::FindTcp(std::uint16_t port) const noexcept { return SlotOf(m_tcp, port); }
const CPktWPortType* CPktWPortNums::FindUdp(std::uint16_t port) const noexcept { return SlotOf(m_udp, port); }

const std::string& CPktWPortNums::TcpDescription(std::uint16_t port) const noexcept {
    const auto* e = FindTcp(port);
    return e ? e->description : Unassigned();
}

const std::string& CPktWPortNums::UdpDescription(std::uint16_t port) const noexcept {
    const auto* e = FindUdp(port);
    return e ? e->description : Unassigned();
}

const std::string& CPktWPortNums::TcpKeyword(std::uint16_t port) const noexcept {
    const auto* e = FindTcp(port);
    return e ? e->keyword : Unassigned();
}

const std::string& CPktWPortNums::UdpKeyword(std::uint16_t port) const noexcept {
    const auto* e = FindUdp(port);
    return e ? e->keyword : Unassigned();
}

bool CPktWPortNums::AddTcp(CPktWPortType entry) { return Place(m_tcp, std::move(entry)); }
bool CPktWPortNums::AddUdp(CPktWPortType entry) { return Place(m_udp, std::move(entry)); }

std::size_t CPktWPortNums::TcpCount() const noexcept { return Filled(m_tcp); }
std::size_t CPktWPortNums::UdpCount() const noexcept { return Filled(m_udp); }

void CPktWPortNums::Serialize(core::Archive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(core::kSchema);
        StoreSlots(ar, m_tcp);
        StoreSlots(ar, m_udp);
        return;
    }
    if (ar.ReadU32() != core::kSchema) return;
    auto tcp = LoadSlots<CPktWPortType>(ar, kSlots, PortOf);
    auto udp = LoadSlots<CPktWPortType>(ar, kSlots, PortOf);
    m_tcp = std::move(tcp);
    m_udp = std::move(udp);
}

}  // namespace tables
