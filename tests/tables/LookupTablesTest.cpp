// The list lookups: first match in file order, through the indexes.
#include <gtest/gtest.h>

#include "tables/LookupTables.h"
#include "tables/TableLoader.h"

using namespace tables;

TEST(EtherNums, TypeLookupTakesTheFirstRangeInFileOrder) {
    CPktEtherNums t(tables::TableSource::Empty);
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

    CPktEtherNums r(tables::TableSource::Empty);
    TableLoader::EtherTypes("9000-8000 Reversed\n", r);
    EXPECT_EQ(*r.FindTypeName(0x9000), "Reversed");
    EXPECT_EQ(*r.FindTypeName(0x8000), "Reversed");
    EXPECT_EQ(r.FindTypeName(0x8800), nullptr);
    EXPECT_EQ(CPktEtherNums(tables::TableSource::Empty).FindTypeName(0x0800), nullptr);
}

TEST(EtherNums, VendorIndexKeepsFirstAcrossManyEntries) {
    CPktEtherNums t(tables::TableSource::Empty);
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
