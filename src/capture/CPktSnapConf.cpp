// Capture filter defaults and its stored form: the flags (HTTP before NetBios Name Service),
// the filter type, the two option words, then the four lists, each behind its element count.
#include "capture/CPktSnapConf.h"

#include <string>

namespace capture {

namespace {

// The smallest stored size of one list element: a 32-bit value, or an address record (its
// schema word and six bytes).
constexpr std::size_t kMinWordBytes = 4;
constexpr std::size_t kMinAddressBytes = 10;

// A count the remaining bytes cannot back is an archive that ends early; refuse it before
// anything is allocated for it.
std::uint32_t ReadBackedCount(core::Archive& ar, std::size_t minElementBytes) {
    const std::uint32_t count = ar.ReadCount();
    if (count > ar.Remaining() / minElementBytes)
        throw core::ArchiveException(core::ArchiveException::Cause::EndOfFile, "archive ends early");
    return count;
}

void StoreWords(core::Archive& ar, const std::vector<std::uint32_t>& list) {
    ar.WriteCount(static_cast<std::uint32_t>(list.size()));
    for (const std::uint32_t v : list) ar.WriteU32(v);
}

void LoadWords(core::Archive& ar, std::vector<std::uint32_t>& list) {
    const std::uint32_t count = ReadBackedCount(ar, kMinWordBytes);
    list.resize(count);
    for (std::uint32_t& v : list) v = ar.ReadU32();
}

void StoreAddresses(core::Archive& ar, std::vector<tables::CPktEtherAddr>& list) {
    ar.WriteCount(static_cast<std::uint32_t>(list.size()));
    for (auto& a : list) a.Serialize(ar);
}

void LoadAddresses(core::Archive& ar, std::vector<tables::CPktEtherAddr>& list) {
    const std::uint32_t count = ReadBackedCount(ar, kMinAddressBytes);
    list.assign(count, tables::CPktEtherAddr{});
    for (std::size_t i = 0; i < list.size(); ++i)
        core::ReadField("address " + std::to_string(i), [&] { core::LoadNested(ar, list[i]); });
}

}  // namespace

void CPktSnapConf::SetDefaults() {
    ethernet = ipv4 = tcp = udp = telnet = ftp = smtp = pop3 = dns = nbns = http = 1;
    optionWord1 = optionWord2 = 1;
    filterType = kIncluded;
}

void CPktSnapConf::Serialize(core::Archive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(core::kSchema);
        for (const std::uint32_t flag : {ethernet, ipv4, tcp, udp, telnet, ftp, smtp, pop3, dns, http, nbns})
            ar.WriteU32(flag);
        ar.WriteU32(filterType);
        ar.WriteU32(optionWord1);
        ar.WriteU32(optionWord2);
        StoreWords(ar, firstList);
        StoreWords(ar, secondList);
        StoreAddresses(ar, firstAddresses);
        StoreAddresses(ar, secondAddresses);
        return;
    }
    if (ar.ReadU32() != core::kSchema) return;  // keep the previous values
    // Load into a copy so that bytes ending early leave this configuration as it was.
    CPktSnapConf loaded;
    for (std::uint32_t* flag : {&loaded.ethernet, &loaded.ipv4, &loaded.tcp, &loaded.udp, &loaded.telnet, &loaded.ftp,
                                &loaded.smtp, &loaded.pop3, &loaded.dns, &loaded.http, &loaded.nbns})
        *flag = ar.ReadU32();
    loaded.filterType = ar.ReadU32();
    loaded.optionWord1 = ar.ReadU32();
    loaded.optionWord2 = ar.ReadU32();
    core::ReadField("first 32-bit list", [&] { LoadWords(ar, loaded.firstList); });
    core::ReadField("second 32-bit list", [&] { LoadWords(ar, loaded.secondList); });
    core::ReadField("first address list", [&] { LoadAddresses(ar, loaded.firstAddresses); });
    core::ReadField("second address list", [&] { LoadAddresses(ar, loaded.secondAddresses); });
    *this = std::move(loaded);
}

}  // namespace capture
