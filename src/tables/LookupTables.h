// The four lookup tables the decoders consult. Each constructor says where its entries come
// from: its text file(s), or nowhere (it starts empty, as one about to be read from an
// archive or filled by hand). Lookups never fail: the list
// tables report not-found with nullptr, the array tables fall back to "Unknown" or
// "Unassigned". Each table remembers the file it was read from (empty when none was found).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Archive.h"
#include "tables/TableEntries.h"

namespace tables {

enum class TableSource : bool { Empty, Files };

class CPktEtherNums {
public:
    explicit CPktEtherNums(TableSource source);
    ~CPktEtherNums();
    // The name of the first type entry (file order) whose range holds the type.
    const std::string* FindTypeName(std::uint16_t type) const noexcept;
    // The short name of the first vendor entry (file order) with exactly these three bytes.
    const std::string* FindVendor(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) const noexcept;

    const std::vector<CPktEtherType>& Types() const noexcept { return m_types; }
    const std::vector<CPktEtherVend>& Vendors() const noexcept { return m_vendors; }
    void AddType(CPktEtherType entry);
    void AddVendor(CPktEtherVend entry);
    void Serialize(core::Archive& ar);

    const std::string& TypesPath() const noexcept { return m_typesPath; }
    const std::string& VendorsPath() const noexcept { return m_vendorsPath; }

private:
    void RebuildVendorIndex();
    void RebuildTypeIndex();
    std::vector<CPktEtherType> m_types;
    std::vector<CPktEtherVend> m_vendors;
    struct VendorIndex;
    std::unique_ptr<VendorIndex> m_vendorIndex;  // first entry in file order per prefix
    struct TypeIndex;
    std::unique_ptr<TypeIndex> m_typeIndex;  // first entry in file order per type value
    bool m_indexVendors = true;              // false while a file loads: indexed once at the end
    std::string m_typesPath;
    std::string m_vendorsPath;
};

class CPktIProtNums {
public:
    explicit CPktIProtNums(TableSource source);
    const std::string& Description(std::uint8_t protocol) const noexcept;  // "Unknown" when absent
    const std::string& Keyword(std::uint8_t protocol) const noexcept;      // "Unknown" when absent
    const CPktIProtType* Find(std::uint8_t protocol) const noexcept;
    bool Add(CPktIProtType entry);  // first definition wins; false when the slot is taken
    void Serialize(core::Archive& ar);

    std::size_t Count() const noexcept;  // filled slots
    const std::string& SourcePath() const noexcept { return m_path; }

private:
    std::array<std::unique_ptr<CPktIProtType>, 256> m_slots;
    std::string m_path;
};

class CPktWPortNums {
public:
    static constexpr std::size_t kSlots = 1024;
    explicit CPktWPortNums(TableSource source);
    // "Unassigned" when the port is 1024 or above or its slot is empty.
    const std::string& TcpDescription(std::uint16_t port) const noexcept;
    const std::string& UdpDescription(std::uint16_t port) const noexcept;
    const std::string& TcpKeyword(std::uint16_t port) const noexcept;
    const std::string& UdpKeyword(std::uint16_t port) const noexcept;
    const CPktWPortType* FindTcp(std::uint16_t port) const noexcept;
    const CPktWPortType* FindUdp(std::uint16_t port) const noexcept;
    bool AddTcp(CPktWPortType entry);
    bool AddUdp(CPktWPortType entry);
    void Serialize(core::Archive& ar);

    std::size_t TcpCount() const noexcept;  // filled slots
    std::size_t UdpCount() const noexcept;
    const std::string& SourcePath() const noexcept { return m_path; }

private:
    std::vector<std::unique_ptr<CPktWPortType>> m_udp;
    std::vector<std::unique_ptr<CPktWPortType>> m_tcp;
    std::string m_path;
};

class CPktTCPNums {
public:
    static constexpr std::size_t kSlots = 20;
    explicit CPktTCPNums(TableSource source);
    const CPktTCPOptType* Find(std::uint8_t kind) const noexcept;
    bool Add(CPktTCPOptType entry);
    void Serialize(core::Archive& ar);

    std::size_t Count() const noexcept;  // filled slots
    const std::string& SourcePath() const noexcept { return m_path; }

private:
    std::array<std::unique_ptr<CPktTCPOptType>, kSlots> m_slots;
    std::string m_path;
};

}  // namespace tables
