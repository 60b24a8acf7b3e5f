// The decoder configuration: its four tables stored in order, and its lock.
#include <gtest/gtest.h>

#include <thread>

#include "capture/TraceTestUtil.h"
#include "core/Archive.h"
#include "decode/CPktParsersConf.h"

namespace {

using decode::CPktParsersConf;
using testutil::Bytes;
using testutil::Store;
using testutil::Words;

TEST(ParsersConf, RoundTripInTableOrder) {
    auto source = decode::CPktParsersConf::FromTableFiles();
    const auto bytes = Store(source);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), Words({1, 1})) << "its schema word, then the first table's";
    CPktParsersConf loaded(core::Locking::Locked, tables::TableSource::Empty);  // every table starts empty
    EXPECT_TRUE(loaded.GetEtherNums().Types().empty());
    EXPECT_EQ(loaded.GetIProtNums().Keyword(6), "Unknown");
    EXPECT_EQ(loaded.GetWPortNums().TcpKeyword(80), "Unassigned");
    EXPECT_EQ(loaded.GetTCPNums().Count(), 0U);
    EXPECT_EQ(testutil::Load(loaded, bytes), 0U);
    EXPECT_EQ(loaded.GetIProtNums().Keyword(6), "TCP");
    EXPECT_EQ(loaded.GetEtherNums().Vendors().size(), source.GetEtherNums().Vendors().size());
    EXPECT_EQ(*loaded.GetEtherNums().FindVendor(0, 0, 0x0C), "Cisco");
    EXPECT_EQ(loaded.GetIProtNums().Description(17), source.GetIProtNums().Description(17));
    EXPECT_EQ(loaded.GetWPortNums().UdpKeyword(137), "netbios-ns");
    EXPECT_EQ(loaded.GetTCPNums().Find(2)->length, 4);
}

TEST(ParsersConf, AnExceptionReleasesTheLock) {
    CPktParsersConf conf(core::Locking::Locked, tables::TableSource::Empty);
    ASSERT_TRUE(conf.HasLock());
    EXPECT_THROW(testutil::Load(conf, Bytes{1, 0, 0, 0, 1, 0}), core::ArchiveException);
    // Another thread can take the lock now; it would block forever if it were still held.
    std::thread other([&] { (void)conf.GetTCPNums(); });
    other.join();
}

}  // namespace
