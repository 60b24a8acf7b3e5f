// The capture filter kept in a session profile: its exact stored form, read back field by
// field, and what a damaged one does.
#include <gtest/gtest.h>

#include <vector>

#include "TraceTestUtil.h"
#include "capture/CPktSnapConf.h"

namespace {

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
    const Bytes lists =
        Cat({{0, 0, 1, 0, 9, 0, 0, 0, 0, 0, 2, 0}, Store(conf.secondAddresses[0]), Store(conf.secondAddresses[1])});
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

}  // namespace
