// The server's handling of a client's PDUs, in process: bind negotiation, protocol errors,
// faults, the procedures' statuses, request reassembly, response fragmentation, the endpoint
// mapper, and the framer's cuts.
#include <gtest/gtest.h>

#include "AgentTestUtil.h"
#include "agentd/AgentCalls.h"
#include "agentd/EndpointMapper.h"
#include "agentd/PduFramer.h"
#include "agentd/RpcServerSession.h"
#include "rpc/RpcStatus.h"
#include "rpc/Tower.h"
#include "support/WaitUntil.h"

namespace agentd {
namespace {

using test::Bytes;
using test::Le32;
using test::Word;

const rpc::SyntaxId kUnknown{rpc::Uuid::FromLiteral("12345678-1234-abcd-ef00-0123456789ab"), 1, 0};

struct Fixture {
    explicit Fixture(AgentConfig config = test::ListConfig(0), RpcServerSession::Limits limits = {})
        : service(std::move(config)),
          calls(service, Caller{1, 0x7F000001, 40000, nullptr}),
          mapper(1234, 0x7F000001),
          session({&calls, &mapper}, "1234", limits, groups) {}

    // The decoded replies; their bytes are kept in raw.
    std::vector<rpc::Pdu> Send(const Bytes& pdu, bool* closed = nullptr) {
        auto out = session.Handle(pdu);
        if (closed != nullptr) *closed = out.close;
        std::vector<rpc::Pdu> decoded;
        for (const auto& bytes : out.AllPdus()) {
            auto p = rpc::DecodePdu(bytes);
            EXPECT_TRUE(p) << p.Err().text;
            if (p) decoded.push_back(std::move(p).Value());
            raw.push_back(bytes);
        }
        return decoded;
    }
    rpc::BindAckBody Bind(const rpc::BindBody& body = test::AgentBind()) {
        auto reply = Send(rpc::EncodeBind(1, body));
        EXPECT_EQ(reply.size(), 1U);
        EXPECT_EQ(reply.at(0).header.type, rpc::PduType::BindAck);
        return std::get<rpc::BindAckBody>(reply.at(0).body);
    }
    // One whole call's reply stub (reassembled), or empty with the fault status.
    Bytes CallStub(std::uint16_t opnum, const Bytes& stub, std::uint32_t* fault = nullptr) {
        raw.clear();
        rpc::Reassembler re(1 << 26);
        for (auto& p : Send(test::Request(++callId, opnum, stub))) {
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
    AssociationGroups groups;
    RpcServerSession session;
    std::uint32_t callId = 1;
    std::uint8_t lastFlags = 0;
    std::vector<Bytes> raw;
};

TEST(RpcServerSessionTest, BindNegotiatesSizesAndAnswersEachContextInOrder) {
    Fixture f;
    rpc::BindBody bind = test::AgentBind(2000, 9000);
    const rpc::SyntaxId ndr64{rpc::Uuid::FromLiteral("71710533-beba-4937-8319-b5dbef9ccc36"), 1, 0};
    bind.contexts.push_back({1, kUnknown, {rpc::kNdrSyntax}});
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

    // An accepted context can be called, a rejected one cannot.
    EXPECT_EQ(f.CallStub(0, {}), Le32({0}));
    const auto reply = f.Send(test::Request(9, 0, {}, 2));
    ASSERT_EQ(reply.size(), 1U);
    EXPECT_EQ(std::get<rpc::FaultBody>(reply[0].body).status, rpc::kNcaUnknownInterface);
    EXPECT_EQ(reply[0].header.flags & rpc::kFlagDidNotExecute, rpc::kFlagDidNotExecute);

    // Replies go out in the largest fragments both ends take: 64 KiB to a client that takes
    // them, a classic client's own size to it, and 1432 bytes, which every client must take,
    // to one that asks for less.
    for (const auto& [clientReceives, sent] : {std::pair<std::uint16_t, std::uint16_t>{65535, 65528},
                                               {65528, 65528},
                                               {5840, 5840},
                                               {4280, 4280},
                                               {100, 1432}})
        EXPECT_EQ(Fixture().Bind(test::AgentBind(clientReceives, 4280)).maxXmitFrag, sent) << clientReceives;
}

TEST(RpcServerSessionTest, BigEndianRequestsAreReadInTheirOwnOrder) {
    Fixture f(test::ListConfig(1));
    f.Bind();
    const std::uint32_t snapper = Word(f.CallStub(3, test::StartStub(0, test::Serialise({}))), 0);
    ASSERT_NE(snapper, 0U);
    // A query for the snapper from a big-endian client: every integer, the handle included,
    // most significant byte first.
    Bytes pdu = {5, 0, 0, 3, 0x00, 0, 0, 0, 0, 28, 0, 0, 0, 0, 0, 77, 0, 0, 0, 4, 0, 0, 0, 5};
    for (int shift = 24; shift >= 0; shift -= 8) pdu.push_back(static_cast<std::uint8_t>(snapper >> shift));
    auto reply = f.Send(pdu);
    ASSERT_EQ(reply.size(), 1U);
    EXPECT_EQ(reply[0].header.callId, 77U);
    const Bytes& stub = std::get<rpc::ResponseBody>(reply[0].body).stub;
    EXPECT_EQ(Bytes(stub.begin() + 4, stub.end()), Le32({0}));  // status 0 for a known handle, little-endian
}

TEST(RpcServerSessionTest, ProtocolErrorsEndTheAssociation) {
    const Bytes bind = rpc::EncodeBind(1, test::AgentBind());
    rpc::BindBody noContexts = test::AgentBind();
    noContexts.contexts.clear();
    Bytes minor2 = bind;
    minor2[1] = 2;
    Bytes version4 = test::Request(1, 0, {});
    version4[0] = 4;
    Bytes badLength = test::Request(1, 0, {});
    badLength[8] = 200;  // frag_length beyond the bytes
    const Bytes garbage = {5, 0, 0, 3, 0x10, 0, 0, 0, 20, 0, 0, 0, 1, 0, 0, 0, 9, 9, 9, 9};
    // Stub fragments of 4256 bytes: the third goes past a 10000-byte bound.
    const auto frags = rpc::EncodeRequestFragments(50, 0, 0, Bytes(20000, 0), 4280);
    struct Case {
        const char* name;
        std::vector<Bytes> pdus;
        rpc::PduType reply;
    } cases[] = {
        {"bind without contexts", {rpc::EncodeBind(1, noContexts)}, rpc::PduType::BindNak},
        {"second bind", {bind, bind}, rpc::PduType::BindNak},
        {"version 5.2 bind", {minor2}, rpc::PduType::Fault},
        {"alter_context before bind",
         {rpc::EncodeBind(1, test::AgentBind(), rpc::PduType::AlterContext)},
         rpc::PduType::Fault},
        {"request before bind", {test::Request(1, 0, {})}, rpc::PduType::Fault},
        {"garbage", {garbage}, rpc::PduType::Fault},
        {"version 4", {version4}, rpc::PduType::Fault},
        {"frag_length beyond the bytes", {badLength}, rpc::PduType::Fault},
        {"a fragment without the first", {bind, frags[1]}, rpc::PduType::Fault},
        {"request beyond the stub bound", {bind, frags[0], frags[1], frags[2]}, rpc::PduType::Fault},
    };
    for (const auto& c : cases) {
        Fixture f(test::ListConfig(0), {5840, 5840, 10000});
        bool closed = false;
        std::vector<rpc::Pdu> reply;
        for (std::size_t i = 0; i < c.pdus.size() && !closed; ++i) reply = f.Send(c.pdus[i], &closed);
        EXPECT_TRUE(closed) << c.name;
        ASSERT_EQ(reply.size(), 1U) << c.name;
        EXPECT_EQ(reply[0].header.type, c.reply) << c.name;
    }
}

TEST(RpcServerSessionTest, ProceduresAnswerWithTheirStatusOrAFault) {
    const Bytes conf = test::Serialise({});
    const Bytes start = test::StartStub(0, conf);
    Bytes otherSchema = conf;
    otherSchema[0] = 2;
    Bytes trailing = conf;
    trailing.push_back(0);
    Bytes cbDisagrees = start;
    cbDisagrees.back() = 0x45;
    AgentConfig one = test::ListConfig(1);
    one.snappers.maxSnappers = 1;
    AgentConfig broken;
    broken.sources = [](const capture::CPktSnapConf&) -> core::Result<std::unique_ptr<FrameSource>> {
        return core::Fail(core::ErrorKind::Io, "gone");
    };
    struct Case {
        const char* name;
        std::uint16_t opnum;
        Bytes stub;
        Bytes reply;
        std::uint32_t fault = 0;  // instead of a reply, before the procedure ran
        bool afterAStart = false;
        const AgentConfig* config = nullptr;
    } cases[] = {
        {"session procedures", 1, {}, Le32({0})},
        {"configuration of another schema", 3, test::StartStub(0, otherSchema), Le32({0, 87})},
        {"configuration cut short", 3, test::StartStub(0, Bytes(conf.begin(), conf.begin() + 30)), Le32({0, 87})},
        {"configuration with trailing bytes", 3, test::StartStub(0, trailing), Le32({0, 87})},
        {"a source that cannot be opened", 3, start, Le32({0, 110}), 0, false, &broken},
        {"over the snapper limit", 3, start, Le32({0, 1723}), 0, true, &one},
        {"stop of an unknown snapper", 4, Le32({999}), Le32({6}), 0, true},
        {"query of an unknown snapper", 5, Le32({999}), Le32({0, 6}), 0, true},
        {"peek of an unknown snapper", 6, Le32({999}), Le32({0, 0, 6}), 0, true},
        {"opnum past the interface", 7, {}, {}, rpc::kNcaOpRangeError},
        {"query without its handle", 5, {1, 2}, {}, platform::kRpcBadStubData},
        {"start cut short", 3, Le32({60, 0, 68}), {}, platform::kRpcBadStubData},
        {"start whose cb disagrees", 3, cbDisagrees, {}, platform::kRpcBadStubData},
    };
    for (const auto& c : cases) {
        Fixture f(c.config != nullptr ? *c.config : test::ListConfig(1));
        f.Bind();
        if (c.afterAStart) {
            ASSERT_EQ(Word(f.CallStub(3, start), 4), 0U) << c.name;
        }
        std::uint32_t fault = 0;
        EXPECT_EQ(f.CallStub(c.opnum, c.stub, &fault), c.reply) << c.name;
        EXPECT_EQ(fault, c.fault) << c.name;
        EXPECT_EQ(f.lastFlags & rpc::kFlagDidNotExecute, c.fault != 0 ? rpc::kFlagDidNotExecute : 0) << c.name;
        EXPECT_EQ(f.service.RunningEngines(), c.afterAStart ? 1U : 0U) << c.name << ": a refused start holds nothing";
        EXPECT_EQ(f.CallStub(0, {}), Le32({0})) << c.name << ": the association goes on";
    }
}

TEST(RpcServerSessionTest, FragmentedRequestIsReassembled) {
    Fixture f(test::ListConfig(3));
    f.Bind();
    capture::CPktSnapConf conf;
    conf.firstList.assign(700, 0x11223344);  // a configuration well beyond one small fragment
    const auto fragments = rpc::EncodeRequestFragments(50, 0, 3, test::StartStub(7, test::Serialise(conf)), 1432);
    ASSERT_GT(fragments.size(), 1U);
    std::vector<rpc::Pdu> reply;
    for (std::size_t i = 0; i < fragments.size(); ++i) {
        reply = f.Send(fragments[i]);
        EXPECT_EQ(reply.empty(), i + 1 < fragments.size()) << "fragment " << i;
    }
    ASSERT_EQ(reply.size(), 1U);
    const Bytes& stub = std::get<rpc::ResponseBody>(reply[0].body).stub;
    EXPECT_NE(Word(stub, 0), 0U);  // a snapper handle
    EXPECT_EQ(Bytes(stub.begin() + 4, stub.end()), Le32({0}));
}

TEST(RpcServerSessionTest, EverySnapperPeeksItsOwnNumberedFramesInNegotiatedFragments) {
    Fixture f(test::ListConfig(300, 1400));
    f.Bind(test::AgentBind(1432));
    const std::uint32_t bases[] = {0, 5000};
    std::uint32_t snappers[2] = {};
    for (int s = 0; s < 2; ++s) snappers[s] = Word(f.CallStub(3, test::StartStub(bases[s], test::Serialise({}))), 0);
    EXPECT_NE(snappers[0], snappers[1]);
    for (int s = 0; s < 2; ++s) {
        const Bytes handle = Le32({snappers[s]});
        support::WaitUntil([&] { return Word(f.CallStub(5, handle), 0) >= 300; });
        EXPECT_EQ(f.CallStub(5, handle), Le32({300, 0}));
        const Bytes peek = f.CallStub(6, handle);
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
        EXPECT_NE(Word(peek, 4), 0U);   // referent
        EXPECT_EQ(Word(peek, 8), len);  // conformant count equals len
        EXPECT_EQ(peek.size(), (12 + len + 3) / 4 * 4 + 4);
        EXPECT_EQ(Word(peek, peek.size() - 4), 0U);
        const auto batch = test::PeekedBatch(std::span<const std::uint8_t>(peek).subspan(12, len));
        EXPECT_EQ(batch.GetFrequency(), 1'000'000);
        ASSERT_EQ(batch.GetFrameCount(), 300U);
        for (std::uint32_t i = 0; i < 300; ++i) EXPECT_EQ(batch.GetFrame(i).GetFrameNumber(), bases[s] + i);
        EXPECT_EQ(f.CallStub(6, handle), Le32({0, 0, 0}));  // nothing left: len 0 and a null pointer
        EXPECT_EQ(f.CallStub(4, handle), Le32({0}));
        EXPECT_EQ(f.CallStub(4, handle), Le32({6}));  // stopped already
    }
    EXPECT_EQ(f.service.RunningEngines(), 0U);
}

TEST(RpcServerSessionTest, EndpointMapperNamesTheAgentsPort) {
    Fixture f;
    f.Bind(test::AgentBind(4280, 4280, rpc::kEpmInterface));
    auto mapStub = [](const rpc::SyntaxId& interface) {
        const Bytes tower = rpc::BuildTower({interface, rpc::kNdrSyntax, 0, 0});
        const auto size = static_cast<std::uint32_t>(tower.size());
        Bytes stub = Le32({1, 0, 0, 0, 0, 2, size, size});
        stub.insert(stub.end(), tower.begin(), tower.end());
        stub.resize((stub.size() + 3) / 4 * 4 + 20, 0);  // padding, then the lookup handle
        const Bytes maxTowers = Le32({4});
        stub.insert(stub.end(), maxTowers.begin(), maxTowers.end());
        return stub;
    };
    const Bytes found = f.CallStub(3, mapStub(rpc::kAgentInterface));
    EXPECT_EQ(Bytes(found.begin() + 20, found.begin() + 36), Le32({1, 4, 0, 1}));  // towers; max, offset, actual count
    auto tower = rpc::ParseTower(std::span<const std::uint8_t>(found).subspan(48, Word(found, 44)));
    ASSERT_TRUE(tower);
    EXPECT_EQ(tower.Value().port, 1234);
    EXPECT_EQ(tower.Value().address, 0x7F000001U);
    EXPECT_EQ(tower.Value().interface, rpc::kAgentInterface);
    EXPECT_EQ(Word(found, found.size() - 4), 0U);

    const Bytes missing = f.CallStub(3, mapStub(kUnknown));
    EXPECT_EQ(Word(missing, 20), 0U);
    EXPECT_EQ(Word(missing, missing.size() - 4), rpc::kEptNotRegisteredNca);
    std::uint32_t fault = 0;
    f.CallStub(3, Bytes{1, 2, 3}, &fault);
    EXPECT_EQ(fault, platform::kRpcBadStubData);
}

TEST(PduFramerTest, CutsByFragLengthWhateverTheChunksAndRefusesOversizedPdus) {
    const Bytes a = test::Request(1, 0, Bytes(40, 1));
    const Bytes b = test::Request(2, 5, Bytes(4, 2));
    Bytes stream = a;
    stream.insert(stream.end(), b.begin(), b.end());
    for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{16}, stream.size()}) {
        PduFramer framer(5840);
        std::vector<Bytes> cut;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            framer.Append(std::span<const std::uint8_t>(stream).subspan(at, std::min(chunk, stream.size() - at)));
            for (auto next = framer.Next(); next && !next.Value().empty(); next = framer.Next())
                cut.push_back(next.Value());
        }
        EXPECT_EQ(cut, (std::vector<Bytes>{a, b})) << chunk;
        EXPECT_EQ(framer.Wanted(), 16U);
    }
    PduFramer framer(a.size() - 1);
    framer.Append(a);
    EXPECT_FALSE(framer.Next());  // one byte past the limit
}

}  // namespace
}  // namespace agentd
