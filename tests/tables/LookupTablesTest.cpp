// Lookups with their fallbacks, and the tables' stored forms: round trips, empty slots,
// bytes that end early.
#include <gtest/gtest.h>

#include <vector>

#include "tables/LookupTables.h"
#include "tables/TableLoader.h"

using namespace tables;

namespace {

std::vector<std::uint8_t> Store(auto& table) {
    std::vector<std::uint8_t> bytes;
    core::Archive ar(bytes);
    table.Serialize(ar);
    return bytes;
}

template <class Table>
void LoadInto(Table& table, const std::vector<std::uint8_t>& bytes) {
    core::Archive ar{std::span<const std::uint8_t>(bytes)};
    table.Serialize(ar);
}

}  // namespace

TEST(EtherNums, TypeLookupTakesTheFirstRangeInFileOrder) {
    CPktEtherNums t(false);
    TableLoader::EtherTypes(
        "8100 VLAN\n"
        "80FF-8103 Wellfleet\n"
        "0000-FFFF Anything\n"
        "9000-8000 Reversed\n",  // high below low: holds just its two ends
        t);
    EXPECT_EQ(*t.FindTypeName(0x8100), "VLAN");
    EXPECT_EQ(*t.FindTypeName(0x80FF), "Wellfleet");
    EXPECT_EQ(*t.FindTypeName(0x8103), "Wellfleet");
    EXPECT_EQ(*t.FindTypeName(0x1234), "Anything");

    CPktEtherNums r(false);
    TableLoader::EtherTypes("9000-8000 Reversed\n", r);
    EXPECT_EQ(*r.FindTypeName(0x9000), "Reversed");
    EXPECT_EQ(*r.FindTypeName(0x8000), "Reversed");
    EXPECT_EQ(r.FindTypeName(0x8800), nullptr);
    EXPECT_EQ(CPktEtherNums(false).FindTypeName(0x0800), nullptr);
}

TEST(EtherNums, VendorIndexKeepsFirstAcrossManyEntries) {
    CPktEtherNums t(false);
    for (std::uint32_t i = 0; i < 5000; ++i) {
        CPktEtherVend v;
        v.prefix[0] = static_cast<std::uint8_t>(i >> 8);
        v.prefix[1] = static_cast<std::uint8_t>(i);
        v.prefix[2] = 0x42;
        v.shortName = "first" + std::to_string(i);
        t.AddVendor(v);
        v.shortName = "second";
        t.AddVendor(v);
    }
    EXPECT_EQ(*t.FindVendor(0x00, 0x00, 0x42), "first0");
    EXPECT_EQ(*t.FindVendor(0x13, 0x87, 0x42), "first4999");
    EXPECT_EQ(t.FindVendor(0x13, 0x88, 0x42), nullptr);
    EXPECT_EQ(t.FindVendor(0x00, 0x00, 0x43), nullptr);
}

TEST(EtherNums, RoundTripAndLayout) {
    CPktEtherNums t(false);
    t.AddType({0x6000, 0x6009, "DEC"});
    CPktEtherVend v;
    v.prefix[0] = 0x00;
    v.prefix[1] = 0x00;
    v.prefix[2] = 0x0C;
    v.description = "Cisco Systems";
    v.shortName = "Cisco";
    t.AddVendor(v);
    const auto bytes = Store(t);
    const std::vector<std::uint8_t> expected = {
        1, 0, 0, 0,  1, 0, 0, 0,                                  // schema, type count
        1, 0, 0, 0,  0x00, 0x60, 0x09, 0x60, 3, 'D', 'E', 'C',    // type entry
        1, 0, 0, 0,                                               // vendor count
        1, 0, 0, 0,  0x00, 0x00, 0x0C, 13, 'C', 'i', 's', 'c', 'o', ' ', 'S', 'y', 's', 't', 'e', 'm', 's',
        5, 'C', 'i', 's', 'c', 'o'};
    EXPECT_EQ(bytes, expected);

    CPktEtherNums loaded(false);
    loaded.AddType({0x0800, 0x0800, "old"});
    LoadInto(loaded, bytes);
    ASSERT_EQ(loaded.Types().size(), 1U);  // the old entry is gone
    EXPECT_EQ(*loaded.FindTypeName(0x6005), "DEC");
    EXPECT_EQ(loaded.FindTypeName(0x0800), nullptr);
    EXPECT_EQ(*loaded.FindVendor(0, 0, 0x0C), "Cisco");
}

TEST(EtherNums, ShortBytesThrowAndLeaveTheTableAsItWas) {
    CPktEtherNums source(false);
    source.AddType({0x0800, 0x0800, "IPv4"});
    source.AddType({0x0806, 0x0806, "ARP"});
    const auto bytes = Store(source);
    for (std::size_t cut = 4; cut < bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        CPktEtherNums t(false);
        t.AddType({0x86DD, 0x86DD, "IPv6"});
        const std::vector<std::uint8_t> shortBytes(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        try {
            LoadInto(t, shortBytes);
            FAIL() << "no end-of-file error";
        } catch (const core::ArchiveException& e) {
            EXPECT_EQ(e.GetCause(), core::ArchiveException::Cause::EndOfFile);
        }
        ASSERT_EQ(t.Types().size(), 1U);
        EXPECT_EQ(*t.FindTypeName(0x86DD), "IPv6");
    }
    // A count far beyond the bytes is refused before anything is allocated for it.
    const std::vector<std::uint8_t> huge = {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0};
    CPktEtherNums t(false);
    EXPECT_THROW(LoadInto(t, huge), core::ArchiveException);
}

TEST(ArrayTables, EmptySlotsAreALoneSchemaWordZero) {
    CPktTCPNums t(false);
    t.Add({2, 4, "MSS"});
    const auto bytes = Store(t);
    // schema, count 20, 19 empty slots of 4 bytes, one entry of 4 + 1 + 1 + 1 + 3 bytes.
    ASSERT_EQ(bytes.size(), 4U + 4U + 19U * 4U + 10U);
    EXPECT_EQ(bytes[4], 20);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 8, bytes.begin() + 16), std::vector<std::uint8_t>(8, 0));
    const std::vector<std::uint8_t> entry = {1, 0, 0, 0, 2, 4, 3, 'M', 'S', 'S'};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 16, bytes.begin() + 26), entry);

    CPktTCPNums loaded(false);
    loaded.Add({3, 3, "old"});
    LoadInto(loaded, bytes);
    EXPECT_EQ(loaded.Count(), 1U);
    EXPECT_EQ(loaded.Find(2)->name, "MSS");
    EXPECT_EQ(loaded.Find(3), nullptr);
}

TEST(ArrayTables, RoundTripsPlaceEntriesByTheirOwnKey) {
    CPktIProtNums p(false);
    p.Add({6, "TCP", "Transmission Control"});
    p.Add({255, "Reserved", ""});
    CPktIProtNums p2(false);
    LoadInto(p2, Store(p));
    EXPECT_EQ(p2.Keyword(6), "TCP");
    EXPECT_EQ(p2.Description(6), "Transmission Control");
    EXPECT_EQ(p2.Keyword(255), "Reserved");
    EXPECT_EQ(p2.Count(), 2U);

    CPktWPortNums w(false);
    w.AddTcp({80, "http", "WWW"});
    w.AddUdp({53, "domain", "DNS"});
    const auto bytes = Store(w);
    // TCP slots come first in the stored form.
    const std::vector<std::uint8_t> head = {1, 0, 0, 0, 0x00, 0x04, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 8), head);
    CPktWPortNums w2(false);
    LoadInto(w2, bytes);
    EXPECT_EQ(w2.TcpKeyword(80), "http");
    EXPECT_EQ(w2.UdpKeyword(80), "Unassigned");
    EXPECT_EQ(w2.UdpDescription(53), "DNS");

    // A stored entry whose key is out of range or whose slot is taken is dropped.
    std::vector<std::uint8_t> crafted = {1, 0, 0, 0, 3, 0, 0, 0};
    core::Archive ar(crafted);
    for (CPktWPortType e : {CPktWPortType{7, "first", ""}, CPktWPortType{7, "second", ""}, CPktWPortType{4000, "far", ""}})
        e.Serialize(ar);
    ar.WriteU32(0);  // UDP: no slots
    CPktWPortNums w3(false);
    LoadInto(w3, crafted);
    EXPECT_EQ(w3.TcpKeyword(7), "first");
    EXPECT_EQ(w3.TcpCount(), 1U);
}

TEST(ArrayTables, WrongSchemaLeavesTheTableAsItWas) {
    CPktIProtNums p(false);
    p.Add({1, "ICMP", ""});
    const std::vector<std::uint8_t> bytes = {2, 0, 0, 0, 0xFF, 0xFF};
    LoadInto(p, bytes);
    EXPECT_EQ(p.Keyword(1), "ICMP");
}
