// The capture filter's defaults, assignment and exact stored form.
#include <gtest/gtest.h>

#include <vector>

#include "capture/CPktSnapConf.h"

using capture::CPktSnapConf;

namespace {

std::vector<std::uint8_t> Store(CPktSnapConf& conf) {
    std::vector<std::uint8_t> bytes;
    core::Archive ar(bytes);
    conf.Serialize(ar);
    return bytes;
}

void Load(CPktSnapConf& conf, const std::vector<std::uint8_t>& bytes) {
    core::Archive ar{std::span<const std::uint8_t>(bytes)};
    conf.Serialize(ar);
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

tables::CPktEtherAddr Mac(std::uint8_t last) {
    const std::array<std::uint8_t, 6> b = {0x00, 0x00, 0x0C, 0x01, 0x02, last};
    return tables::CPktEtherAddr(std::span<const std::uint8_t, 6>(b));
}

}  // namespace

TEST(SnapConf, DefaultIs68BytesInWireOrder) {
    CPktSnapConf conf;
    std::vector<std::uint8_t> expected;
    Put32(expected, 1);                          // schema
    for (int i = 0; i < 11; ++i) Put32(expected, 1);  // flags
    Put32(expected, 0);                          // filter type
    Put32(expected, 1);
    Put32(expected, 1);                          // option words
    expected.insert(expected.end(), 8, 0);       // four empty counts
    EXPECT_EQ(Store(conf), expected);
    EXPECT_EQ(expected.size(), 68U);
}

TEST(SnapConf, HttpBeforeNbnsAndFilterTypeBeforeOptionWords) {
    CPktSnapConf conf;
    conf.ethernet = 0;
    conf.nbns = 0x0A;
    conf.http = 0x0B;
    conf.filterType = CPktSnapConf::kExcluded;
    conf.optionWord1 = 0x0C;
    conf.optionWord2 = 0x0D;
    const auto bytes = Store(conf);
    EXPECT_EQ(bytes[4], 0);
    EXPECT_EQ(bytes[40], 0x0B);
    EXPECT_EQ(bytes[44], 0x0A);
    EXPECT_EQ(bytes[48], 1);
    EXPECT_EQ(bytes[52], 0x0C);
    EXPECT_EQ(bytes[56], 0x0D);
}

TEST(SnapConf, ListsRoundTripWithTheirCounts) {
    CPktSnapConf conf;
    conf.firstList = {7, 8, 9};
    conf.secondAddresses = {Mac(1), Mac(2)};
    conf.telnet = 0;
    const auto bytes = Store(conf);
    // 60 fixed bytes, count 3 and three words, count 0, count 0, count 2 and two 10-byte records.
    EXPECT_EQ(bytes.size(), 60U + 2 + 12 + 2 + 2 + 2 + 20);
    EXPECT_EQ(bytes[60], 3);

    CPktSnapConf loaded;
    loaded.secondList = {1, 2, 3, 4};
    Load(loaded, bytes);
    EXPECT_EQ(loaded.firstList, conf.firstList);
    EXPECT_TRUE(loaded.secondList.empty());
    EXPECT_EQ(loaded.secondAddresses, conf.secondAddresses);
    EXPECT_EQ(loaded.telnet, 0U);
    EXPECT_EQ(Store(loaded), bytes);
}

TEST(SnapConf, LongCountsUseTheEscapeWord) {
    CPktSnapConf conf;
    conf.firstList.assign(0x10000, 5);
    const auto bytes = Store(conf);
    EXPECT_EQ(bytes[60], 0xFF);
    EXPECT_EQ(bytes[61], 0xFF);
    EXPECT_EQ(bytes[62], 0x00);
    EXPECT_EQ(bytes[64], 0x01);  // 0x00010000
    CPktSnapConf loaded;
    Load(loaded, bytes);
    EXPECT_EQ(loaded.firstList.size(), 0x10000U);
}

TEST(SnapConf, AssignmentCopiesEveryFieldAndList) {
    CPktSnapConf source;
    source.firstList = {1, 2, 3};
    source.firstAddresses = {Mac(9)};
    source.filterType = CPktSnapConf::kExcluded;
    source.dns = 0;
    CPktSnapConf target;
    target.secondList = {4};
    target = source;
    EXPECT_EQ(Store(target), Store(source));
}

TEST(SnapConf, SetDefaultsLeavesTheLists) {
    CPktSnapConf conf;
    conf.firstList = {1};
    conf.http = 0;
    conf.filterType = 1;
    conf.optionWord2 = 0;
    conf.SetDefaults();
    EXPECT_EQ(conf.http, 1U);
    EXPECT_EQ(conf.filterType, 0U);
    EXPECT_EQ(conf.optionWord2, 1U);
    EXPECT_EQ(conf.firstList.size(), 1U);
}

TEST(SnapConf, BadInputLeavesTheConfigurationAsItWas) {
    CPktSnapConf source;
    source.secondList = {1, 2};
    const auto good = Store(source);

    CPktSnapConf conf;
    conf.ftp = 0;
    // A schema other than 1 ends the load after the schema word.
    std::vector<std::uint8_t> wrongSchema = good;
    wrongSchema[0] = 2;
    Load(conf, wrongSchema);
    EXPECT_EQ(conf.ftp, 0U);

    // Every truncation throws end-of-file and changes nothing.
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        SCOPED_TRACE(cut);
        const std::vector<std::uint8_t> shortBytes(good.begin(), good.begin() + static_cast<long>(cut));
        try {
            Load(conf, shortBytes);
            FAIL() << "no end-of-file error";
        } catch (const core::ArchiveException& e) {
            EXPECT_EQ(e.GetCause(), core::ArchiveException::Cause::EndOfFile);
        }
        EXPECT_EQ(conf.ftp, 0U);
        EXPECT_TRUE(conf.secondList.empty());
    }

    // A count the bytes cannot back is refused before the list is sized.
    std::vector<std::uint8_t> huge(good.begin(), good.begin() + 60);
    huge.insert(huge.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
    EXPECT_THROW(Load(conf, huge), core::ArchiveException);
}

TEST(SnapConf, ExcludedWithEveryFlagClearedIsStoredAsItIs) {
    CPktSnapConf conf;
    for (std::uint32_t* f : {&conf.ethernet, &conf.ipv4, &conf.tcp, &conf.udp, &conf.telnet, &conf.ftp, &conf.smtp,
                             &conf.pop3, &conf.dns, &conf.nbns, &conf.http})
        *f = 0;
    conf.filterType = CPktSnapConf::kExcluded;
    const auto bytes = Store(conf);
    ASSERT_EQ(bytes.size(), 68U);
    for (std::size_t off = 4; off < 48; ++off) EXPECT_EQ(bytes[off], 0) << off;
    EXPECT_EQ(bytes[48], 1);
}
