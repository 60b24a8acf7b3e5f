// The two configurations kept in a session profile: the capture filter's exact stored form and
// the decoder set's four tables, their load flag, order and lock.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "capture/CPktParsersConf.h"
#include "capture/CPktSnapConf.h"
#include "TraceTestUtil.h"

namespace {

using capture::CPktParsersConf;
using capture::CPktSnapConf;
using testutil::Bytes;
using testutil::Cat;
using testutil::Store;
using testutil::Words;

tables::CPktEtherAddr Mac(std::uint8_t last) {
    const std::array<std::uint8_t, 6> b = {0x00, 0x00, 0x0C, 0x01, 0x02, last};
    return tables::CPktEtherAddr(std::span<const std::uint8_t, 6>(b));
}

TEST(SnapConf, StoredInWireOrderAndResetByDefaults) {
    CPktSnapConf conf;
    const Bytes defaultHead = Words({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1});
    EXPECT_EQ(Store(conf), Cat({defaultHead, Bytes(8, 0)})) << "68 bytes, four empty counts";
    std::uint32_t v = 2;
    for (std::uint32_t* f : {&conf.ethernet, &conf.ipv4, &conf.tcp, &conf.udp, &conf.telnet, &conf.ftp, &conf.smtp,
                             &conf.pop3, &conf.dns, &conf.nbns, &conf.http})
        *f = v++;
    conf.filterType = CPktSnapConf::kExcluded;
    conf.optionWord1 = 13;
    conf.optionWord2 = 14;
    conf.secondList = {9};
    conf.secondAddresses = {Mac(1), Mac(2)};
    // HTTP is stored before NetBios Name Service, the filter type before the option words,
    // then each list behind its count.
    const Bytes lists = Cat({{0, 0, 1, 0, 9, 0, 0, 0, 0, 0, 2, 0}, Store(conf.secondAddresses[0]),
                             Store(conf.secondAddresses[1])});
    const Bytes stored = Store(conf);
    EXPECT_EQ(stored, Cat({Words({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 11, 1, 13, 14}), lists}));
    CPktSnapConf loaded;
    loaded.firstList = {1, 2, 3, 4};
    EXPECT_EQ(testutil::Load(loaded, stored), 0U);
    EXPECT_EQ(Store(loaded), stored) << "every field and list loads back into its place";
    conf.SetDefaults();
    EXPECT_EQ(Store(conf), Cat({defaultHead, lists})) << "defaults leave the lists";
}

TEST(SnapConf, BadInputLeavesTheConfigurationAsItWas) {
    CPktSnapConf source;
    source.secondList = {1, 2};
    const auto good = Store(source);
    CPktSnapConf conf;
    conf.ftp = 0;
    Bytes wrongSchema = good;
    wrongSchema[0] = 2;
    EXPECT_EQ(testutil::Load(conf, wrongSchema), good.size() - 4) << "read no further than the schema word";
    EXPECT_EQ(conf.ftp, 0U);
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        SCOPED_TRACE(cut);
        try {
            testutil::Load(conf, Bytes(good.begin(), good.begin() + static_cast<long>(cut)));
            FAIL() << "no end-of-file error";
        } catch (const core::ArchiveException& e) {
            EXPECT_EQ(e.GetCause(), core::ArchiveException::Cause::EndOfFile);
        }
        EXPECT_EQ(conf.ftp, 0U);
        EXPECT_TRUE(conf.secondList.empty());
    }
    // A count the bytes cannot back is refused before the list is sized.
    const Bytes huge = Cat({Bytes(good.begin(), good.begin() + 60), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}});
    EXPECT_THROW(testutil::Load(conf, huge), core::ArchiveException);
}

TEST(ParsersConf, RoundTripInTableOrder) {
    CPktParsersConf source(false, true);
    const auto bytes = Store(source);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), Words({1, 1})) << "its schema word, then the first table's";
    CPktParsersConf loaded(true, false);  // without the load flag every table starts empty
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
    CPktParsersConf conf(true, false);
    ASSERT_TRUE(conf.HasLock());
    EXPECT_THROW(testutil::Load(conf, Bytes{1, 0, 0, 0, 1, 0}), core::ArchiveException);
    // Another thread can take the lock now; it would block forever if it were still held.
    std::thread other([&] { (void)conf.GetTCPNums(); });
    other.join();
}

}  // namespace
