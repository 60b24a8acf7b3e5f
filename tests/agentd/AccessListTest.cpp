// The allow-list as an administrator writes it: networks taken exactly as written or
// refused with the reason, and the edges of each network.
#include <gtest/gtest.h>

#include "agentd/AccessList.h"

namespace agentd {
namespace {

TEST(AccessListTest, TakesNetworksExactlyAsWrittenOrRefusesThem) {
    struct Case {
        const char* written;
        const char* kept;  // nullptr: refused
        const char* says;  // in the refusal
    } cases[] = {
        {"10.0.0.0/8", "10.0.0.0/8", nullptr},
        {"192.0.2.7", "192.0.2.7/32", nullptr},
        {"192.0.2.7/32", "192.0.2.7/32", nullptr},
        {"0.0.0.0/0", "0.0.0.0/0", nullptr},
        {" 10.1.0.0/16 , 172.16.0.0/12", "10.1.0.0/16, 172.16.0.0/12", nullptr},
        {"any", "any", nullptr},
        // Leading zeros are octal to inet_aton: 010 would silently become 8.
        {"010.0.0.0/8", nullptr, "without leading zeros"},
        {"192.168.010.0/24", nullptr, "without leading zeros"},
        {"1.2.3.456", nullptr, "not an IPv4 network"},
        {"1.2.3", nullptr, "not an IPv4 network"},
        {"0x0a.0.0.0/8", nullptr, "not an IPv4 network"},
        {"localhost", nullptr, "not an IPv4 network"},
        {"10.0.0.0/8junk", nullptr, "prefix length"},
        {"10.0.0.0/", nullptr, "prefix length"},
        {"10.0.0.0/33", nullptr, "prefix length"},
        {"10.0.0.0/-1", nullptr, "prefix length"},
        {"10.0.0.0/08", nullptr, "prefix length"},
        {"10.0.0.1/8", nullptr, "did you mean 10.0.0.0/8?"},
        {"192.168.1.0/16", nullptr, "did you mean 192.168.0.0/16?"},
        {"2001:db8::/32", nullptr, "IPv4 only"},
        {"10.0.0.0/8,,", nullptr, "not an IPv4 network"},
        {"", nullptr, "names no network"},
    };
    for (const auto& c : cases) {
        const auto list = AccessList::Parse({c.written});
        if (c.kept != nullptr) {
            ASSERT_TRUE(list) << c.written << ": " << list.Err().text;
            EXPECT_EQ(list.Value().Describe(), c.kept) << c.written;
        } else {
            ASSERT_FALSE(list) << c.written << " was taken as " << list.Value().Describe();
            EXPECT_NE(list.Err().text.find(c.says), std::string::npos) << c.written << ": " << list.Err().text;
        }
    }
}

TEST(AccessListTest, ANetworkAllowsExactlyItsAddresses) {
    struct Case {
        const char* network;
        std::uint32_t address;
        bool allowed;
    } cases[] = {
        {"10.0.0.0/8", 0x0A000000, true},     {"10.0.0.0/8", 0x0AFFFFFF, true},
        {"10.0.0.0/8", 0x09FFFFFF, false},    {"10.0.0.0/8", 0x0B000000, false},
        {"192.0.2.7/32", 0xC0000207, true},   {"192.0.2.7/32", 0xC0000206, false},
        {"192.0.2.7/32", 0xC0000208, false},  {"0.0.0.0/0", 0x00000000, true},
        {"0.0.0.0/0", 0xFFFFFFFF, true},      {"172.16.0.0/12", 0xAC1FFFFF, true},
        {"172.16.0.0/12", 0xAC200000, false}, {"255.255.255.255/32", 0xFFFFFFFF, true},
        {"128.0.0.0/1", 0x7FFFFFFF, false},   {"128.0.0.0/1", 0x80000000, true},
    };
    for (const auto& c : cases) {
        const auto list = AccessList::Parse({c.network});
        ASSERT_TRUE(list) << c.network;
        EXPECT_EQ(list.Value().Allows(c.address), c.allowed) << c.network << " and " << std::hex << c.address;
    }
    EXPECT_TRUE(AccessList::LoopbackOnly().Allows(0x7F000001));
    EXPECT_FALSE(AccessList::LoopbackOnly().Allows(0x80000001));
}

}  // namespace
}  // namespace agentd
