// Ethernet type and vendor lists: file order kept, first match found through two indexes.
#include <utility>

#include "tables/LookupTables.h"
#include "tables/PrefixIndex.h"
#include "tables/RangeIndex.h"
#include "tables/TableFile.h"
#include "tables/TableLoader.h"

namespace tables {

struct CPktEtherNums::VendorIndex {
    PrefixIndex index;
};

struct CPktEtherNums::TypeIndex {
    RangeIndex index;
};

namespace {

std::uint32_t PrefixKey(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return (std::uint32_t{b1} << 16) | (std::uint32_t{b2} << 8) | b3;
}

// The smallest stored entry is a lone schema word (a record read no further).
constexpr std::size_t kMinRecordBytes = 4;

std::uint32_t ReadBackedCount(core::Archive& ar) {
    const std::uint32_t count = ar.ReadU32();
    if (count > ar.Remaining() / kMinRecordBytes)
        throw core::ArchiveException(core::ArchiveException::Cause::EndOfFile, "archive ends early");
    return count;
}

}  // namespace

CPktEtherNums::CPktEtherNums(TableSource source)
    : m_vendorIndex(std::make_unique<VendorIndex>()),
      m_typeIndex(std::make_unique<TypeIndex>()) {
    if (source == TableSource::Empty) return;
    if (auto file = TableFile::Open(kEtherTypesFile)) {
        m_typesPath = std::move(file->path);
        TableLoader::EtherTypes(file->text, *this);
    }
    if (auto file = TableFile::Open(kEtherVendorsFile)) {
        m_vendorsPath = std::move(file->path);
        // Sized for the lines that can be entries (a file of blank lines holds none), then
        // indexed once for the entries read.
        m_vendors.reserve(TableLoader::VendorLinesIn(file->text));
        m_indexVendors = false;
        TableLoader::EtherVendors(file->text, *this);
        m_indexVendors = true;
        RebuildVendorIndex();
    }
}

CPktEtherNums::~CPktEtherNums() = default;

const std::string* CPktEtherNums::FindTypeName(std::uint16_t type) const noexcept {
    const auto position = m_typeIndex->index.Find(type);
    return position ? &m_types[*position].name : nullptr;
}

const std::string* CPktEtherNums::FindVendor(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) const noexcept {
    const auto position = m_vendorIndex->index.Find(PrefixKey(b1, b2, b3));
    return position ? &m_vendors[*position].shortName : nullptr;
}

void CPktEtherNums::AddType(CPktEtherType entry) {
    m_types.push_back(std::move(entry));
    const auto& added = m_types.back();
    m_typeIndex->index.Add(added.low, added.high, static_cast<std::uint32_t>(m_types.size() - 1));
}

void CPktEtherNums::AddVendor(CPktEtherVend entry) {
    m_vendors.push_back(std::move(entry));
    if (!m_indexVendors) return;
    const auto& added = m_vendors.back();
    m_vendorIndex->index.Insert(PrefixKey(added.prefix[0], added.prefix[1], added.prefix[2]),
                                static_cast<std::uint32_t>(m_vendors.size() - 1));
}

void CPktEtherNums::RebuildVendorIndex() {
    m_vendorIndex->index.Clear();
    m_vendorIndex->index.Reserve(m_vendors.size());
    for (std::size_t i = 0; i < m_vendors.size(); ++i) {
        const auto& v = m_vendors[i];
        m_vendorIndex->index.Insert(PrefixKey(v.prefix[0], v.prefix[1], v.prefix[2]), static_cast<std::uint32_t>(i));
    }
}

void CPktEtherNums::RebuildTypeIndex() {
    m_typeIndex->index.Clear();
    for (std::size_t i = 0; i < m_types.size(); ++i)
        m_typeIndex->index.Add(m_types[i].low, m_types[i].high, static_cast<std::uint32_t>(i));
}

void CPktEtherNums::Serialize(core::Archive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(core::kSchema);
        ar.WriteU32(static_cast<std::uint32_t>(m_types.size()));
        for (auto& t : m_types) t.Serialize(ar);
        ar.WriteU32(static_cast<std::uint32_t>(m_vendors.size()));
        for (auto& v : m_vendors) v.Serialize(ar);
        return;
    }
    if (ar.ReadU32() != core::kSchema) return;
    // Both lists are read in full before they replace the current ones: bytes that end
    // early leave the table as it was. An entry whose schema word is not 1 is left out.
    std::vector<CPktEtherType> types;
    for (std::uint32_t n = ReadBackedCount(ar); n > 0; --n) {
        CPktEtherType t;
        if (t.Load(ar)) types.push_back(std::move(t));
    }
    std::vector<CPktEtherVend> vendors;
    for (std::uint32_t n = ReadBackedCount(ar); n > 0; --n) {
        CPktEtherVend v;
        if (v.Load(ar)) vendors.push_back(std::move(v));
    }
    m_types = std::move(types);
    m_vendors = std::move(vendors);
    RebuildTypeIndex();
    RebuildVendorIndex();
}

}  // namespace tables
