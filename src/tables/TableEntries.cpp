// Stored form of the table entries: schema word 1, then the fields in declaration order.
#include "tables/TableEntries.h"

namespace tables {

namespace {

// Reads the schema word; the caller reads the fields only when it is 1.
bool SchemaOk(core::Archive& ar) { return ar.ReadU32() == core::kSchema; }

}  // namespace

void CPktEtherType::Serialize(core::Archive& ar) {
    if (ar.IsLoading()) {
        Load(ar);
        return;
    }
    ar.WriteU32(core::kSchema);
    ar.WriteU16(low);
    ar.WriteU16(high);
    ar.WriteString(name);
}

bool CPktEtherType::Load(core::Archive& ar) {
    if (!SchemaOk(ar)) return false;
    // Read into locals first so an archive that ends early leaves the entry as it was.
    const std::uint16_t newLow = ar.ReadU16();
    const std::uint16_t newHigh = ar.ReadU16();
    std::string newName = ar.ReadString();
    low = newLow;
    high = newHigh;
    name = std::move(newName);
    return true;
}

void CPktEtherVend::Serialize(core::Archive& ar) {
    if (ar.IsLoading()) {
        Load(ar);
        return;
    }
    ar.WriteU32(core::kSchema);
    for (const std::uint8_t b : prefix) ar.WriteU8(b);
    ar.WriteString(description);
    ar.WriteString(shortName);
}

bool CPktEtherVend::Load(core::Archive& ar) {
    if (!SchemaOk(ar)) return false;
    const auto bytes = ar.ReadBytes(3);
    std::string newDescription = ar.ReadString();
    std::string newShortName = ar.ReadString();
    for (std::size_t i = 0; i < 3; ++i) prefix[i] = bytes[i];
    description = std::move(newDescription);
    shortName = std::move(newShortName);
    return true;
}

void CPktIProtType::Serialize(core::Archive& ar) {
    if (ar.IsLoading()) {
        Load(ar);
        return;
    }
    ar.WriteU32(core::kSchema);
    ar.WriteU8(number);
    ar.WriteString(keyword);
    ar.WriteString(description);
}

bool CPktIProtType::Load(core::Archive& ar) {
    if (!SchemaOk(ar)) return false;
    const std::uint8_t newNumber = ar.ReadU8();
    std::string newKeyword = ar.ReadString();
    std::string newDescription = ar.ReadString();
    number = newNumber;
    keyword = std::move(newKeyword);
    description = std::move(newDescription);
    return true;
}

void CPktWPortType::Serialize(core::Archive& ar) {
    if (ar.IsLoading()) {
        Load(ar);
        return;
    }
    ar.WriteU32(core::kSchema);
    ar.WriteU16(port);
    ar.WriteString(keyword);
    ar.WriteString(description);
}

bool CPktWPortType::Load(core::Archive& ar) {
    if (!SchemaOk(ar)) return false;
    const std::uint16_t newPort = ar.ReadU16();
    std::string newKeyword = ar.ReadString();
    std::string newDescription = ar.ReadString();
    port = newPort;
    keyword = std::move(newKeyword);
    description = std::move(newDescription);
    return true;
}

void CPktTCPOptType::Serialize(core::Archive& ar) {
    if (ar.IsLoading()) {
        Load(ar);
        return;
    }
    ar.WriteU32(core::kSchema);
    ar.WriteU8(kind);
    ar.WriteU8(length);
    ar.WriteString(name);
}

bool CPktTCPOptType::Load(core::Archive& ar) {
    if (!SchemaOk(ar)) return false;
    const std::uint8_t newKind = ar.ReadU8();
    const std::uint8_t newLength = ar.ReadU8();
    std::string newName = ar.ReadString();
    kind = newKind;
    length = newLength;
    name = std::move(newName);
    return true;
}

}  // namespace tables
