// The decoder configuration: its four tables, its lock and its stored form.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "capture/CPktParsersConf.h"

using capture::CPktParsersConf;

TEST(ParsersConf, LoadFlagDecidesWhetherTheTablesAreRead) {
    const CPktParsersConf empty(false, false);
    EXPECT_TRUE(empty.GetEtherNums().Types().empty());
    EXPECT_EQ(empty.GetIProtNums().Keyword(6), "Unknown");
    EXPECT_EQ(empty.GetWPortNums().TcpKeyword(80), "Unassigned");
    EXPECT_EQ(empty.GetTCPNums().Count(), 0U);
    EXPECT_FALSE(empty.HasLock());

    const CPktParsersConf loaded(true, true);
    EXPECT_TRUE(loaded.HasLock());
    EXPECT_FALSE(loaded.GetEtherNums().Types().empty());
    EXPECT_EQ(loaded.GetIProtNums().Keyword(6), "TCP");
    EXPECT_EQ(loaded.GetWPortNums().TcpKeyword(80), "http");
    EXPECT_EQ(loaded.GetTCPNums().Count(), 20U);
}

TEST(ParsersConf, RoundTripInTableOrder) {
    CPktParsersConf source(false, true);
    std::vector<std::uint8_t> bytes;
    {
        core::Archive ar(bytes);
        source.Serialize(ar);
    }
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 8), (std::vector<std::uint8_t>{1, 0, 0, 0, 1, 0, 0, 0}));

    CPktParsersConf loaded(true, false);
    core::Archive in{std::span<const std::uint8_t>(bytes)};
    loaded.Serialize(in);
    EXPECT_EQ(in.Remaining(), 0U);
    EXPECT_EQ(loaded.GetEtherNums().Vendors().size(), source.GetEtherNums().Vendors().size());
    EXPECT_EQ(*loaded.GetEtherNums().FindVendor(0, 0, 0x0C), "Cisco");
    EXPECT_EQ(loaded.GetIProtNums().Description(17), source.GetIProtNums().Description(17));
    EXPECT_EQ(loaded.GetWPortNums().UdpKeyword(137), "netbios-ns");
    EXPECT_EQ(loaded.GetTCPNums().Find(2)->length, 4);
}

TEST(ParsersConf, AnExceptionReleasesTheLock) {
    CPktParsersConf conf(true, false);
    const std::vector<std::uint8_t> shortBytes = {1, 0, 0, 0, 1, 0};
    core::Archive ar{std::span<const std::uint8_t>(shortBytes)};
    EXPECT_THROW(conf.Serialize(ar), core::ArchiveException);
    // Another thread can take the lock now; it would block forever if it were still held.
    std::thread other([&] { (void)conf.GetTCPNums(); });
    other.join();
}
