// PDU codec: exact bytes of what goes on the wire, fragment rules, and refusal of bad PDUs.
#include <gtest/gtest.h>

#include <vector>

#include "rpc/AgentInterface.h"
#include "rpc/Pdu.h"
#include "rpc/Tower.h"

namespace rpc {
namespace {

using Bytes = std::vector<std::uint8_t>;

BindBody AgentBind() {
    BindBody b;
    b.maxXmitFrag = 4280;
    b.maxRecvFrag = 4280;
    b.contexts.push_back({0, kAgentInterface, {kNdrSyntax}});
    return b;
}

TEST(Uuid, TextAndWireForms) {
    const auto id = Uuid::Parse("3C2465F0-c2db-11d0-a71b-00a0249eee17");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->ToString(), "3c2465f0-c2db-11d0-a71b-00a0249eee17");
    Bytes wire;
    id->Write(wire);
    const Bytes expected = {0xf0, 0x65, 0x24, 0x3c, 0xdb, 0xc2, 0xd0, 0x11,
                            0xa7, 0x1b, 0x00, 0xa0, 0x24, 0x9e, 0xee, 0x17};
    EXPECT_EQ(wire, expected);
    core::ByteReader in(wire);
    EXPECT_EQ(Uuid::Read(in), *id);
    for (const char* bad : {"", "3c2465f0c2db-11d0-a71b-00a0249eee17-", "3c2465f0-c2db-11d0-a71b-00a0249eee1g",
                            "3c2465f0-c2db-11d0-a71b+00a0249eee17", "3c2465f0-c2db-11d0-a71b-00a0249eee1"})
        EXPECT_FALSE(Uuid::Parse(bad)) << bad;
}

TEST(Pdu, BindBytesAreExact) {
    const Bytes expected = {
        0x05, 0x00, 0x0b, 0x03, 0x10, 0x00, 0x00, 0x00, 0x48, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  // header
        0xb8, 0x10, 0xb8, 0x10, 0x00, 0x00, 0x00, 0x00,  // max xmit/recv 4280, assoc group 0
        0x01, 0x00, 0x00, 0x00,                          // one context
        0x00, 0x00, 0x01, 0x00,                          // context 0, one transfer syntax
        0xf0, 0x65, 0x24, 0x3c, 0xdb, 0xc2, 0xd0, 0x11, 0xa7, 0x1b, 0x00, 0xa0, 0x24, 0x9e, 0xee, 0x17,
        0x01, 0x00, 0x00, 0x00,  // interface v1.0
        0x04, 0x5d, 0x88, 0x8a, 0xeb, 0x1c, 0xc9, 0x11, 0x9f, 0xe8, 0x08, 0x00, 0x2b, 0x10, 0x48, 0x60,
        0x02, 0x00, 0x00, 0x00,  // NDR v2.0
    };
    const Bytes bind = EncodeBind(1, AgentBind());
    EXPECT_EQ(bind, expected);
    auto decoded = DecodePdu(bind);
    ASSERT_TRUE(decoded) << decoded.Err().text;
    const auto& body = std::get<BindBody>(decoded.Value().body);
    ASSERT_EQ(body.contexts.size(), 1u);
    EXPECT_EQ(body.contexts[0].abstractSyntax, kAgentInterface);
    EXPECT_EQ(body.contexts[0].transferSyntaxes.at(0), kNdrSyntax);
}

TEST(Pdu, BindAckSecondaryAddressPadsFromPduStart) {
    BindAckBody ack;
    ack.maxXmitFrag = 4280;
    ack.maxRecvFrag = 4280;
    ack.assocGroup = 0x1234;
    ack.secondaryAddress = "49152";
    ack.results.push_back({ContextResult::kAcceptance, 0, kNdrSyntax});
    const Bytes bytes = EncodeBindAck(7, ack);
    // 24 fixed, 2 length, "49152\0" (6) = 32: already aligned; results start at 32.
    ASSERT_EQ(bytes.size(), 32u + 4 + 24);
    EXPECT_EQ(bytes[24], 6);
    EXPECT_EQ(bytes[31], 0);
    EXPECT_EQ(bytes[32], 1);
    ack.secondaryAddress = "135";  // 24 + 2 + 4 = 30 -> two pad bytes
    const Bytes shorter = EncodeBindAck(7, ack);
    EXPECT_EQ(shorter.size(), 32u + 4 + 24);
    auto decoded = DecodePdu(shorter);
    ASSERT_TRUE(decoded);
    const auto& body = std::get<BindAckBody>(decoded.Value().body);
    EXPECT_EQ(body.secondaryAddress, "135");
    EXPECT_EQ(body.assocGroup, 0x1234u);
    ASSERT_EQ(body.results.size(), 1u);
    EXPECT_EQ(body.results[0].transferSyntax, kNdrSyntax);
}

TEST(Pdu, FaultIs32BytesWithDidNotExecute) {
    const Bytes fault = EncodeFault(9, 0, 0x1c010002, kFlagDidNotExecute);
    ASSERT_EQ(fault.size(), 32u);
    EXPECT_EQ(fault[3], kFlagFirst | kFlagLast | kFlagDidNotExecute);
    auto decoded = DecodePdu(fault);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::get<FaultBody>(decoded.Value().body).status, 0x1c010002u);
}

TEST(Pdu, RequestFragmentsFollowTheRules) {
    Bytes stub(10000);
    for (std::size_t i = 0; i < stub.size(); ++i) stub[i] = static_cast<std::uint8_t>(i * 7);
    const auto frags = EncodeRequestFragments(42, 3, 6, stub, kMustAcceptFrag);
    ASSERT_GT(frags.size(), 1u);
    Reassembler re(1 << 20);
    std::size_t remaining = stub.size();
    for (std::size_t i = 0; i < frags.size(); ++i) {
        ASSERT_LE(frags[i].size(), kMustAcceptFrag);
        auto pdu = DecodePdu(frags[i]);
        ASSERT_TRUE(pdu);
        const auto& body = std::get<RequestBody>(pdu.Value().body);
        EXPECT_EQ(pdu.Value().header.callId, 42u);
        EXPECT_EQ(body.contextId, 3);
        EXPECT_EQ(body.opnum, 6);
        EXPECT_EQ(body.allocHint, remaining);
        const bool last = i + 1 == frags.size();
        EXPECT_EQ((pdu.Value().header.flags & kFlagFirst) != 0, i == 0);
        EXPECT_EQ((pdu.Value().header.flags & kFlagLast) != 0, last);
        if (!last) {
            EXPECT_EQ(body.stub.size() % 8, 0u);
        }
        remaining -= body.stub.size();
        auto done = re.Add(std::move(pdu).Value());
        ASSERT_TRUE(done);
        EXPECT_EQ(done.Value(), last);
    }
    EXPECT_EQ(re.TakeStub(), stub);
    // An empty stub is one fragment carrying both flags.
    const auto empty = EncodeRequestFragments(1, 0, 0, {}, 4280);
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0][3], kFlagFirst | kFlagLast);
}

TEST(Pdu, ReassemblerRefusesStrayFragments) {
    const Bytes stub(100, 0xAB);
    const auto frags = EncodeResponseFragments(5, 0, stub, 64);
    ASSERT_GE(frags.size(), 3u);
    struct Case {
        const char* name;
        std::vector<Bytes> sequence;
        std::size_t bound;
    };
    Bytes otherCall = frags[1];
    otherCall[12] = 6;
    const std::vector<Case> cases = {
        {"starts without FIRST", {frags[1]}, 1000},
        {"FIRST twice", {frags[0], frags[0]}, 1000},
        {"another call id", {frags[0], otherCall}, 1000},
        {"beyond the bound", {frags[0], frags[1], frags[2]}, 60},
    };
    for (const auto& c : cases) {
        Reassembler re(c.bound);
        bool failed = false;
        for (const auto& f : c.sequence) {
            auto pdu = DecodePdu(f);
            ASSERT_TRUE(pdu);
            if (!re.Add(std::move(pdu).Value())) failed = true;
        }
        EXPECT_TRUE(failed) << c.name;
    }
}

TEST(Pdu, BadHeadersAreRefused) {
    const Bytes good = EncodeFault(1, 0, 5);
    struct Case {
        const char* name;
        std::size_t at;
        std::uint8_t value;
    };
    const Case cases[] = {
        {"version 4", 0, 4},          {"minor 2", 1, 2},         {"EBCDIC", 4, 0x11},
        {"integer rep 2", 4, 0x20},   {"frag_length 15", 8, 15}, {"frag_length past end", 8, 33},
        {"auth beyond frag", 10, 20},
    };
    for (const auto& c : cases) {
        Bytes bad = good;
        bad[c.at] = c.value;
        EXPECT_FALSE(DecodePdu(bad)) << c.name;
    }
    EXPECT_FALSE(DecodePdu(Bytes(good.begin(), good.begin() + 20)));  // truncated
    Bytes minorOne = good;                                            // a 5.1 peer speaks the same PDUs
    minorOne[1] = 1;
    EXPECT_TRUE(DecodePdu(minorOne));
    // The 4 reserved bytes after the status are not required; everything before them is.
    for (std::size_t n = 0; n < 28; ++n) {
        Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        if (n >= 10) cut[8] = static_cast<std::uint8_t>(n);  // claims exactly what is there
        EXPECT_FALSE(DecodePdu(cut)) << "fault cut to " << n;
    }
}

TEST(Pdu, BigEndianPeerIsConverted) {
    // A fault from a big-endian peer: every integer in network order, drep 0x00.
    const Bytes be = {0x05, 0x00, 0x03, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1c, 0x01, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00};
    auto pdu = DecodePdu(be);
    ASSERT_TRUE(pdu) << pdu.Err().text;
    EXPECT_EQ(pdu.Value().header.callId, 9u);
    EXPECT_EQ(std::get<FaultBody>(pdu.Value().body).status, 0x1c010003u);
}

TEST(Pdu, AuthTrailerIsStrippedFromTheStub) {
    Bytes resp = EncodeResponse(1, kFlagFirst | kFlagLast, 4, 0, Bytes{1, 2, 3, 4});
    // auth pad 4, then sec_trailer (type 10, level 2, pad 4, reserved, context id), 16 auth bytes.
    const Bytes trailer = {0, 0, 0, 0, 10, 2, 4, 0, 0, 0, 0, 0};
    resp.insert(resp.end(), trailer.begin(), trailer.end());
    resp.insert(resp.end(), 16, 0xEE);
    resp[8] = static_cast<std::uint8_t>(resp.size());
    resp[10] = 16;
    auto pdu = DecodePdu(resp);
    ASSERT_TRUE(pdu) << pdu.Err().text;
    EXPECT_EQ(std::get<ResponseBody>(pdu.Value().body).stub, (Bytes{1, 2, 3, 4}));
}

TEST(Tower, AgentTowerBytes) {
    const TcpTower tower{kAgentInterface, kNdrSyntax, 49152, 0x7F000001};
    const Bytes bytes = BuildTower(tower);
    const Bytes expected = {
        0x05, 0x00,  // five floors
        0x13, 0x00, 0x0d, 0xf0, 0x65, 0x24, 0x3c, 0xdb, 0xc2, 0xd0, 0x11, 0xa7, 0x1b,
        0x00, 0xa0, 0x24, 0x9e, 0xee, 0x17, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00,  // interface 1.0
        0x13, 0x00, 0x0d, 0x04, 0x5d, 0x88, 0x8a, 0xeb, 0x1c, 0xc9, 0x11, 0x9f, 0xe8,
        0x08, 0x00, 0x2b, 0x10, 0x48, 0x60, 0x02, 0x00, 0x02, 0x00, 0x00, 0x00,  // NDR 2.0
        0x01, 0x00, 0x0b, 0x02, 0x00, 0x00, 0x00,                                // connection-oriented RPC
        0x01, 0x00, 0x07, 0x02, 0x00, 0xc0, 0x00,                                // TCP port 49152, big-endian
        0x01, 0x00, 0x09, 0x04, 0x00, 0x7f, 0x00, 0x00, 0x01,                    // 127.0.0.1
    };
    EXPECT_EQ(bytes, expected);
    auto parsed = ParseTower(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed.Value().interface, kAgentInterface);
    EXPECT_EQ(parsed.Value().port, 49152);
    EXPECT_EQ(parsed.Value().address, 0x7F000001u);
    for (std::size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(ParseTower(std::span(bytes).first(n))) << "cut to " << n;
    Bytes udp = bytes;
    udp[udp.size() - 16] = 0x08;  // UDP port floor instead of TCP
    EXPECT_FALSE(ParseTower(udp));
}

}  // namespace
}  // namespace rpc
