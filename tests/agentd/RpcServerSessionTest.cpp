// The server's handling of a client's PDUs, in process: bind negotiation, faults, request
// reassembly, response fragmentation, hostile input, and the framer's cuts.
#include <gtest/gtest.h>

#include "AgentTestUtil.h"
#include "agentd/AgentCalls.h"
#include "agentd/EndpointMapper.h"
#include "agentd/PduFramer.h"
#include "agentd/RpcServerSession.h"
#include "rpc/Tower.h"

namespace agentd {
namespace {

using test::Bytes;

struct Fixture {
    explicit Fixture(std::size_t frames = 0, std::size_t payload = 16)
        : service([&] {
              AgentConfig config;
              config.sources = [frames, payload]() -> core::Result<std::unique_ptr<FrameSource>> {
                  return std::unique_ptr<FrameSource>(
                      std::make_unique<test::ListSource>(test::NumberedFrames(frames, payload), true));
              };
              return config;
          }()),
          calls(service), mapper(1234, 0x7F000001), session({&calls, &mapper}, "1234", {}) {}

    std::vector<rpc::Pdu> Send(const Bytes& pdu, bool* closed = nullptr) {
        auto out = session.Handle(pdu);
        if (closed != nullptr) *closed = out.close;
        std::vector<rpc::Pdu> decoded;
        for (const auto& bytes : out.pdus) {
            auto p = rpc::DecodePdu(bytes);
            EXPECT_TRUE(p) << p.Err().text;
            if (p) decoded.push_back(std::move(p).Value());
            raw.push_back(bytes);
        }
        return decoded;
    }
    rpc::BindAckBody Bind(const rpc::BindBody& body) {
        auto reply = Send(rpc::EncodeBind(1, body));
        EXPECT_EQ(reply.size(), 1U);
        EXPECT_EQ(reply.at(0).header.type, rpc::PduType::BindAck);
        return std::get<rpc::BindAckBody>(reply.at(0).body);
    }
    // One whole call's reply stub (reassembled), or the fault status.
    Bytes CallStub(std::uint16_t opnum, const Bytes& stub, std::uint32_t* fault = nullptr) {
        raw.clear();
        auto reply = Send(test::Request(++callId, opnum, stub));
        rpc::Reassembler re(1 << 26);
        for (auto& p : reply) {
            if (auto* f = std::get_if<rpc::FaultBody>(&p.body)) {
                if (fault != nullptr) *fault = f->status;
                lastFlags = p.header.flags;
                return {};
            }
            EXPECT_EQ(p.header.callId, callId);
            EXPECT_TRUE(re.Add(std::move(p)));
        }
        return re.TakeStub();
    }

    AgentService service;
    AgentCalls calls;
    EndpointMapper mapper;
    RpcServerSession session;
    std::uint32_t callId = 1;
    std::uint8_t lastFlags = 0;
    std::vector<Bytes> raw;
};

std::uint32_t Word(const Bytes& b, std::size_t at) {
    return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) | (static_cast<std::uint32_t>(b.at(at + 3)) << 24);
}

TEST(RpcServerSessionTest, BindNegotiatesSizesAndAnswersEachContextInOrder) {
    Fixture f;
    rpc::BindBody bind = test::AgentBind(2000, 9000);
    const rpc::SyntaxId unknown{rpc::Uuid::FromLiteral("12345678-1234-abcd-ef00-0123456789ab"), 1, 0};
    const rpc::SyntaxId ndr64{rpc::Uuid::FromLiteral("71710533-beba-4937-8319-b5dbef9ccc36"), 1, 0};
    bind.contexts.push_back({1, unknown, {rpc::kNdrSyntax}});
    bind.contexts.push_back({2, rpc::kAgentInterface, {ndr64}});
    bind.contexts.push_back({3, rpc::kEpmInterface, {ndr64, rpc::kNdrSyntax}});
    const auto ack = f.Bind(bind);
    EXPECT_EQ(ack.maxXmitFrag, 2000);  // never more than the client receives
    EXPECT_EQ(ack.maxRecvFrag, 5840);  // never more than our own limit
    EXPECT_EQ(ack.secondaryAddress, "1234");
    EXPECT_NE(ack.assocGroup, 0U);
    ASSERT_EQ(ack.results.size(), 4U);
    EXPECT_EQ(ack.results[0].result, rpc::ContextResult::kAcceptance);
    EXPECT_EQ(ack.results[0].transferSyntax, rpc::kNdrSyntax);
    EXPECT_EQ(ack.results[1].result, rpc::ContextResult::kProviderRejection);
    EXPECT_EQ(ack.results[1].reason, 1);  // abstract syntax not supported
    EXPECT_EQ(ack.results[2].result, rpc::ContextResult::kProviderRejection);
    EXPECT_EQ(ack.results[2].reason, 2);  // transfer syntaxes not supported
    EXPECT_EQ(ack.results[3].result, rpc::ContextResult::kAcceptance);
    // The secondary address "1234" and its NUL end at 24 + 2 + 5 = 31, padded to 32.
    EXPECT_EQ(f.raw.at(0).at(26), '1');
    EXPECT_EQ(f.raw.at(0).at(31), 0);
    EXPECT_EQ(f.raw.at(0).at(32), 4);  // the result count starts on a 4-byte boundary

    // A rejected context cannot be called.
    std::uint32_t fault = 0;
    f.CallStub(0, {}, &fault);
    EXPECT_EQ(fault, 0U);
    rpc::RequestBody body;
    body.contextId = 2;
    auto reply = f.Send(rpc::EncodeRequest(9, rpc::kFlagFirst | rpc::kFlagLast, body));
    ASSERT_EQ(reply.size(), 1U);
    EXPECT_EQ(std::get<rpc::FaultBody>(reply[0].body).status, kFaultUnknownIf);
    EXPECT_EQ(reply[0].header.flags & rpc::kFlagDidNotExecute, rpc::kFlagDidNotExecute);
}

TEST(RpcServerSessionTest, BigEndianRequestsAreReadInTheirOwnOrder) {
    Fixture f(1);
    f.Bind(test::AgentBind());
    const std::uint32_t snapper = Word(f.CallStub(3, test::StartStub(0, test::Serialise({}))), 0);
    ASSERT_NE(snapper, 0U);
    // A query for the snapper from a big-endian client: every integer, the handle included,
    // most significant byte first.
    auto be32 = [](std::uint32_t v) {
        return Bytes{static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                     static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    };
    Bytes pdu = {5, 0, 0, 3, 0x00, 0, 0, 0, 0, 28, 0, 0};
    for (const Bytes& part : {be32(77), be32(4), Bytes{0, 0, 0, 5}, be32(snapper)}) pdu.insert(pdu.end(), part.begin(), part.end());
    auto reply = f.Send(pdu);
    ASSERT_EQ(reply.size(), 1U);
    EXPECT_EQ(reply[0].header.callId, 77U);
    const auto& stub = std::get<rpc::ResponseBody>(reply[0].body).stub;
    ASSERT_EQ(stub.size(), 8U);
    EXPECT_EQ(Word(stub, 4), 0U);  // a known handle: status 0, in our own little-endian reply
}

TEST(RpcServerSessionTest, TinyClientFragmentSizeIsRaisedTo1432) {
    Fixture f;
    EXPECT_EQ(f.Bind(test::AgentBind(100, 100)).maxXmitFrag, 1432);
}

TEST(RpcServerSessionTest, BindWithoutContextsOrWithWrongVersionIsRefused) {
    Fixture f;
    rpc::BindBody empty = test::AgentBind();
    empty.contexts.clear();
    bool closed = false;
    auto reply = f.Send(rpc::EncodeBind(1, empty), &closed);
    ASSERT_EQ(reply.size(), 1U);
    EXPECT_EQ(reply[0].header.type, rpc::PduType::BindNak);
    EXPECT_TRUE(closed);

    Fixture g;
    Bytes future = rpc::EncodeBind(1, test::AgentBind());
    future[1] = 2;  // minor version 5.2
    reply = g.Send(future, &closed);
    ASSERT_EQ(reply.size(), 1U);
    EXPECT_NE(reply[0].header.type, rpc::PduType::BindAck);
    EXPECT_TRUE(closed);
}

TEST(RpcServerSessionTest, FaultsCarryTheirStatusAndDidNotExecute) {
    Bytes cbDisagrees = test::StartStub(0, test::Serialise({}));
    cbDisagrees.back() = 0x45;
    struct Case {
        const char* name;
        std::uint16_t opnum;
        Bytes stub;
        std::uint32_t fault;
    } cases[] = {
        {"opnum past the interface", 7, {}, kFaultOpRange},
        {"opnum far past", 0xFFFF, {}, kFaultOpRange},
        {"query without its handle", 5, {1, 2}, kFaultBadStubData},
        {"start cut short", 3, test::Le32({60, 0, 68}), kFaultBadStubData},
        {"start whose cb disagrees", 3, cbDisagrees, kFaultBadStubData},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.Bind(test::AgentBind());
        std::uint32_t fault = 0;
        f.CallStub(c.opnum, c.stub, &fault);
        EXPECT_EQ(fault, c.fault) << c.name;
        EXPECT_EQ(f.lastFlags & rpc::kFlagDidNotExecute, rpc::kFlagDidNotExecute) << c.name;
        // The association survives a fault.
        EXPECT_EQ(f.CallStub(0, {}), test::Le32({0})) << c.name;
    }
}

TEST(RpcServerSessionTest, RequestBeforeBindOrGarbageEndsTheConnection) {
    const Bytes garbage = {5, 0, 0, 3, 0x10, 0, 0, 0, 20, 0, 0, 0, 1, 0, 0, 0, 9, 9, 9, 9};
    Bytes wrongVersion = test::Request(1, 0, {});
    wrongVersion[0] = 4;
    Bytes badLength = test::Request(1, 0, {});
    badLength[8] = 200;  // frag_length beyond the bytes
    for (const Bytes& pdu : {test::Request(1, 0, {}), garbage, wrongVersion, badLength}) {
        Fixture f;
        bool closed = false;
        auto reply = f.Send(pdu, &closed);
        EXPECT_TRUE(closed);
        for (const auto& p : reply) EXPECT_EQ(p.header.type, rpc::PduType::Fault);
    }
}

TEST(RpcServerSessionTest, FragmentedRequestIsReassembled) {
    Fixture f(3);
    f.Bind(test::AgentBind());
    capture::CPktSnapConf conf;
    conf.firstList.assign(700, 0x11223344);  // a configuration well beyond one small fragment
    const Bytes stub = test::StartStub(7, test::Serialise(conf));
    const auto fragments = rpc::EncodeRequestFragments(50, 0, 3, stub, 1432);
    ASSERT_GT(fragments.size(), 1U);
    std::vector<rpc::Pdu> reply;
    for (std::size_t i = 0; i < fragments.size(); ++i) {
        reply = f.Send(fragments[i]);
        if (i + 1 < fragments.size()) {
            EXPECT_TRUE(reply.empty());
        }
    }
    ASSERT_EQ(reply.size(), 1U);
    const auto& body = std::get<rpc::ResponseBody>(reply[0].body);
    ASSERT_EQ(body.stub.size(), 8U);
    EXPECT_NE(Word(body.stub, 0), 0U);  // a snapper handle
    EXPECT_EQ(Word(body.stub, 4), 0U);
}

TEST(RpcServerSessionTest, BrokenFragmentSequencesAreRefused) {
    const Bytes stub(4000, 0);
    const auto fragments = rpc::EncodeRequestFragments(50, 0, 0, stub, 1432);
    ASSERT_GE(fragments.size(), 3U);
    Bytes otherCall = fragments[1];
    otherCall[12] = 51;  // call id
    struct Case {
        const char* name;
        std::vector<Bytes> pdus;
    } cases[] = {
        {"middle without first", {fragments[1]}},
        {"first twice", {fragments[0], fragments[0]}},
        {"another call id", {fragments[0], otherCall}},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.Bind(test::AgentBind());
        bool closed = false;
        for (const auto& pdu : c.pdus) f.Send(pdu, &closed);
        EXPECT_TRUE(closed) << c.name;
    }
}

TEST(RpcServerSessionTest, RequestLargerThanTheBoundIsRefused) {
    AgentService service(AgentConfig{});
    AgentCalls calls(service);
    RpcServerSession session({&calls}, "1", {5840, 5840, 10000});
    session.Handle(rpc::EncodeBind(1, test::AgentBind()));
    const auto fragments = rpc::EncodeRequestFragments(2, 0, 0, Bytes(20000, 0), 4280);
    bool closed = false;
    for (const auto& pdu : fragments) {
        closed = session.Handle(pdu).close;
        if (closed) break;
    }
    EXPECT_TRUE(closed);
}

TEST(RpcServerSessionTest, PeekReplyIsFragmentedByTheNegotiatedSize) {
    Fixture f(400, 1400);  // about 570 KB of frames
    f.Bind(test::AgentBind(1432));
    const Bytes start = f.CallStub(3, test::StartStub(0, test::Serialise({})));
    const std::uint32_t snapper = Word(start, 0);
    Bytes query;
    for (int i = 0; i < 5000; ++i) {
        query = f.CallStub(5, test::Le32({snapper}));
        if (Word(query, 0) == 400) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(Word(query, 0), 400U);
    const Bytes peek = f.CallStub(6, test::Le32({snapper}));
    ASSERT_GT(f.raw.size(), 2U);
    for (std::size_t i = 0; i < f.raw.size(); ++i) {
        const auto pdu = rpc::DecodePdu(f.raw[i]);
        ASSERT_TRUE(pdu);
        EXPECT_LE(f.raw[i].size(), 1432U);
        EXPECT_EQ((pdu.Value().header.flags & rpc::kFlagFirst) != 0, i == 0);
        EXPECT_EQ((pdu.Value().header.flags & rpc::kFlagLast) != 0, i + 1 == f.raw.size());
        if (i + 1 < f.raw.size()) {
            EXPECT_EQ(std::get<rpc::ResponseBody>(pdu.Value().body).stub.size() % 8, 0U);
        }
    }
    const std::uint32_t len = Word(peek, 0);
    EXPECT_NE(Word(peek, 4), 0U);       // referent
    EXPECT_EQ(Word(peek, 8), len);      // conformant count equals len
    EXPECT_EQ(Word(peek, 12), 400U);    // k
    EXPECT_EQ(peek.size(), (12 + len + 3) / 4 * 4 + 4);
    EXPECT_EQ(Word(peek, peek.size() - 4), 0U);
    // Nothing left: len 0 and a null pointer.
    EXPECT_EQ(f.CallStub(6, test::Le32({snapper})), test::Le32({0, 0, 0}));
}

TEST(RpcServerSessionTest, EndpointMapperNamesTheAgentsPort) {
    Fixture f;
    rpc::BindBody bind;
    bind.maxXmitFrag = bind.maxRecvFrag = 4280;
    bind.contexts.push_back({0, rpc::kEpmInterface, {rpc::kNdrSyntax}});
    f.Bind(bind);
    auto mapStub = [](const rpc::SyntaxId& interface) {
        const Bytes tower = rpc::BuildTower({interface, rpc::kNdrSyntax, 0, 0});
        Bytes stub = test::Le32({1, 0, 0, 0, 0, 2, static_cast<std::uint32_t>(tower.size()),
                                 static_cast<std::uint32_t>(tower.size())});
        stub.insert(stub.end(), tower.begin(), tower.end());
        while (stub.size() % 4 != 0) stub.push_back(0);
        stub.resize(stub.size() + 20, 0);  // lookup handle
        const Bytes max = test::Le32({4});
        stub.insert(stub.end(), max.begin(), max.end());
        return stub;
    };
    const Bytes found = f.CallStub(3, mapStub(rpc::kAgentInterface));
    EXPECT_EQ(Word(found, 20), 1U);  // num_towers
    EXPECT_EQ(Word(found, 24), 4U);  // max count, offset, actual count
    EXPECT_EQ(Word(found, 28), 0U);
    EXPECT_EQ(Word(found, 32), 1U);
    const std::uint32_t length = Word(found, 44);
    auto tower = rpc::ParseTower(std::span<const std::uint8_t>(found).subspan(48, length));
    ASSERT_TRUE(tower);
    EXPECT_EQ(tower.Value().port, 1234);
    EXPECT_EQ(tower.Value().address, 0x7F000001U);
    EXPECT_EQ(tower.Value().interface, rpc::kAgentInterface);
    EXPECT_EQ(Word(found, found.size() - 4), 0U);

    const rpc::SyntaxId other{rpc::Uuid::FromLiteral("12345678-1234-abcd-ef00-0123456789ab"), 1, 0};
    const Bytes missing = f.CallStub(3, mapStub(other));
    EXPECT_EQ(Word(missing, 20), 0U);
    EXPECT_EQ(Word(missing, missing.size() - 4), kEptNotRegistered);
    std::uint32_t fault = 0;
    f.CallStub(3, Bytes{1, 2, 3}, &fault);
    EXPECT_EQ(fault, kFaultBadStubData);
}

TEST(PduFramerTest, CutsByFragLengthWhateverTheChunks) {
    const Bytes a = test::Request(1, 0, Bytes(40, 1));
    const Bytes b = test::Request(2, 5, Bytes(4, 2));
    Bytes stream = a;
    stream.insert(stream.end(), b.begin(), b.end());
    for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{16}, stream.size()}) {
        PduFramer framer(5840);
        std::vector<Bytes> cut;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            framer.Append(std::span<const std::uint8_t>(stream).subspan(at, std::min(chunk, stream.size() - at)));
            for (auto next = framer.Next(); next && !next.Value().empty(); next = framer.Next()) cut.push_back(next.Value());
        }
        ASSERT_EQ(cut.size(), 2U) << chunk;
        EXPECT_EQ(cut[0], a);
        EXPECT_EQ(cut[1], b);
        EXPECT_EQ(framer.Wanted(), 16U);
    }
}

TEST(PduFramerTest, RefusesOversizedAndBrokenHeaders) {
    Bytes huge = test::Request(1, 0, {});
    huge[8] = 0xFF;
    huge[9] = 0xFF;  // 65535 bytes announced
    Bytes tooShort = test::Request(1, 0, {});
    tooShort[8] = 8;
    tooShort[9] = 0;
    for (const Bytes& pdu : {huge, tooShort}) {
        PduFramer framer(5840);
        framer.Append(pdu);
        EXPECT_FALSE(framer.Next());
    }
}

}  // namespace
}  // namespace agentd
