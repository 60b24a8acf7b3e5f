// The RPC client against scripted peers: exact request bytes, every procedure, and every
// way a server can fail or misbehave.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <mutex>

#include "FakeServer.h"
#include "rpc/AgentClient.h"
#include "rpc/AgentStubs.h"
#include "rpc/EpmClient.h"
#include "rpc/StringBinding.h"
#include "support/WaitUntil.h"

namespace rpc::test {
namespace {

std::unique_ptr<BindingHandle> BindTo(std::uint16_t port, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_ptr<BindingHandle> binding;
    EXPECT_EQ(BindingHandle::FromStringBinding("ncacn_ip_tcp:127.0.0.1[" + std::to_string(port) + "]", binding), 0u);
    binding->SetTimeout(timeout);
    return binding;
}

// A server that answers every request on one connection with what reply() returns.
using Reply = std::function<Bytes(std::uint32_t callId, std::uint16_t opnum, const Bytes& stub)>;
std::function<void(Peer&)> Serve(Reply reply) {
    return [reply](Peer& peer) {
        peer.AcceptBind();
        std::uint32_t callId = 0;
        std::uint16_t opnum = 0;
        Bytes stub;
        while (peer.ReadRequest(callId, opnum, stub)) peer.Send(reply(callId, opnum, stub));
    };
}

Bytes Response(std::uint32_t callId, const Bytes& stub) {
    return EncodeResponse(callId, kFlagFirst | kFlagLast, static_cast<std::uint32_t>(stub.size()), 0, stub);
}

const Bytes kAgentUuidWire = {0xf0, 0x65, 0x24, 0x3c, 0xdb, 0xc2, 0xd0, 0x11,
                              0xa7, 0x1b, 0x00, 0xa0, 0x24, 0x9e, 0xee, 0x17};

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(Client, SendsExactBindPingAndStartBytes) {
    std::mutex m;
    std::vector<Bytes> seen;
    FakeServer server([&](Peer& peer) {
        const Bytes bind = peer.ReadRaw();
        {
            std::scoped_lock lock(m);
            seen.push_back(bind);
        }
        BindAckBody ack{4280, 4280, 1, "49152", {{ContextResult::kAcceptance, 0, kNdrSyntax}}};
        peer.Send(EncodeBindAck(bind.at(12), ack));
        for (Bytes raw = peer.ReadRaw(); !raw.empty(); raw = peer.ReadRaw()) {
            {
                std::scoped_lock lock(m);
                seen.push_back(raw);
            }
            const Bytes stub = raw[22] == 3 ? EncodeLongReply(7, 0) : EncodeStatusReply(0);
            peer.Send(Response(raw[12], stub));
        }
    });
    auto binding = BindTo(server.Port());
    AgentClient agent(*binding);
    ASSERT_EQ(agent.Ping(), 0u);
    Bytes config(68);
    for (std::size_t i = 0; i < config.size(); ++i) config[i] = static_cast<std::uint8_t>(0xA0 + i);
    std::int32_t snapper = 0;
    ASSERT_EQ(agent.SnapSnapperStartA(60, 0, config, snapper), 0u);
    EXPECT_EQ(snapper, 7);
    binding.reset();

    std::scoped_lock lock(m);
    ASSERT_EQ(seen.size(), 3u);
    const Bytes bind = Concat({
        {0x05, 0x00, 0x0b, 0x03, 0x10, 0x00, 0x00, 0x00, 0x48, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00},
        // 65528-byte fragments offered each way; this peer answers with 4280
        {0xf8, 0xff, 0xf8, 0xff, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00},
        kAgentUuidWire,
        {0x01, 0x00, 0x00, 0x00},
        {0x04, 0x5d, 0x88, 0x8a, 0xeb, 0x1c, 0xc9, 0x11, 0x9f, 0xe8, 0x08, 0x00, 0x2b, 0x10, 0x48, 0x60},
        {0x02, 0x00, 0x00, 0x00},
    });
    EXPECT_EQ(seen[0], bind);
    const Bytes ping = {0x05, 0x00, 0x00, 0x03, 0x10, 0x00, 0x00, 0x00, 0x18, 0x00, 0x00, 0x00,
                        0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(seen[1], ping);
    const Bytes start = Concat({
        {0x05, 0x00, 0x00, 0x03, 0x10, 0x00, 0x00, 0x00, 0x6c, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00},
        {0x54, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00},  // alloc_hint 84, context 0, opnum 3
        {0x3c, 0x00, 0x00, 0x00},                          // param 60
        {0x00, 0x00, 0x00, 0x00},                          // first frame 0
        {0x44, 0x00, 0x00, 0x00},                          // max count 68
        config,
        {0x44, 0x00, 0x00, 0x00},  // cb 68, no padding before it
    });
    EXPECT_EQ(seen[2], start);
}

TEST(Client, EptMapRequestBytesAndLookup) {
    FakeServer agent(Serve(
        [](std::uint32_t callId, std::uint16_t, const Bytes&) { return Response(callId, EncodeStatusReply(0)); }));
    Bytes request;
    FakeServer mapper([&](Peer& peer) {
        peer.AcceptBind();
        request = peer.ReadRaw();
        const auto tower = BuildTower({kAgentInterface, kNdrSyntax, agent.Port(), 0x7F000001});
        peer.Send(Response(request.at(12), EncodeEptMapReply({tower}, 4, 0)));
    });
    std::unique_ptr<BindingHandle> binding;
    ASSERT_EQ(BindingHandle::FromStringBinding("ncacn_ip_tcp:127.0.0.1", binding), 0u);
    binding->SetEpmPort(mapper.Port());
    ASSERT_EQ(binding->SetAuthInfo(kAuthnLevelNone, kAuthnWinNt), 0u);
    AgentClient client(*binding);
    EXPECT_EQ(client.Ping(), 0u);
    EXPECT_EQ(binding->Endpoint(), agent.Port());

    const Bytes expected = Concat({
        {0x05, 0x00, 0x00, 0x03, 0x10, 0x00, 0x00, 0x00, 0x9c, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00},
        {0x84, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00},  // alloc_hint 132, context 0, opnum 3
        {0x00, 0x00, 0x02, 0x00},
        Bytes(16, 0),                                                              // object: referent, nil UUID
        {0x04, 0x00, 0x02, 0x00, 0x4b, 0x00, 0x00, 0x00, 0x4b, 0x00, 0x00, 0x00},  // tower: referent, 75, 75
        {0x05, 0x00, 0x13, 0x00, 0x0d},
        kAgentUuidWire,
        {0x01, 0x00, 0x02, 0x00, 0x00, 0x00},
        {0x13, 0x00, 0x0d, 0x04, 0x5d, 0x88, 0x8a, 0xeb, 0x1c, 0xc9, 0x11, 0x9f, 0xe8,
         0x08, 0x00, 0x2b, 0x10, 0x48, 0x60, 0x02, 0x00, 0x02, 0x00, 0x00, 0x00},
        {0x01, 0x00, 0x0b, 0x02, 0x00, 0x00, 0x00},              // connection-oriented RPC
        {0x01, 0x00, 0x07, 0x02, 0x00, 0x00, 0x00},              // port 0
        {0x01, 0x00, 0x09, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00},  // 0.0.0.0
        {0x00},                                                  // pad to 4
        Bytes(20, 0),                                            // entry handle
        {0x04, 0x00, 0x00, 0x00},                                // max towers
    });
    EXPECT_EQ(request, expected);
}

TEST(Client, MapperFailures) {
    const auto lookup = [](std::uint16_t epmPort) {
        std::uint16_t port = 0;
        return LookupEndpoint(0x7F000001, epmPort, kAgentInterface,
                              std::chrono::steady_clock::now() + std::chrono::seconds(5), nullptr, port);
    };
    const auto mapperAnswering = [](Bytes stub) {
        return Serve([stub](std::uint32_t callId, std::uint16_t, const Bytes&) { return Response(callId, stub); });
    };
    {
        FakeServer none(mapperAnswering(EncodeEptMapReply({}, 4, 0)));
        EXPECT_EQ(lookup(none.Port()), platform::kEptNotRegistered);
    }
    {
        FakeServer refusing(mapperAnswering(EncodeEptMapReply({}, 4, kEptNotRegisteredNca)));
        EXPECT_EQ(lookup(refusing.Port()), platform::kEptNotRegistered);
    }
    {
        const auto other = BuildTower({kEpmInterface, kNdrSyntax, 4000, 0x7F000001});
        FakeServer wrong(mapperAnswering(EncodeEptMapReply({other}, 4, 0)));
        EXPECT_EQ(lookup(wrong.Port()), platform::kEptNotRegistered);
    }
    {
        Bytes bad = EncodeEptMapReply({}, 4, 0);
        bad[32] = 9;  // actual count 9 with nothing behind it
        FakeServer garbled(mapperAnswering(bad));
        EXPECT_EQ(lookup(garbled.Port()), platform::kRpcBadStubData);
    }
    platform::TcpListener closed;
    ASSERT_EQ(closed.Listen(0x7F000001, 0), platform::NetStatus::Ok);
    const std::uint16_t unused = closed.Port();
    closed.Close();
    EXPECT_EQ(lookup(unused), platform::kRpcServerUnavailable);
}

TEST(Client, EveryProcedureRoundTrips) {
    const Bytes data = [] {
        Bytes d(20000);
        for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<std::uint8_t>(i * 31);
        return d;
    }();
    std::vector<std::uint16_t> opnums;
    FakeServer server([&](Peer& peer) {
        peer.AcceptBind(4280, 1432);  // small fragments from the server: the peek comes in many
        std::uint32_t callId = 0;
        std::uint16_t opnum = 0;
        Bytes stub;
        while (peer.ReadRequest(callId, opnum, stub)) {
            opnums.push_back(opnum);
            Bytes reply;
            switch (static_cast<AgentOp>(opnum)) {
                case AgentOp::SnapSnapperStartA:
                    reply = EncodeLongReply(DecodeStartRequest(stub, false).Value().firstFrame + 1, 0);
                    break;
                case AgentOp::SnapSnapperQueryA:
                    reply = EncodeLongReply(DecodeSnapperRequest(stub, false).Value() * 10, 0);
                    break;
                case AgentOp::SnapSnapperPeekA:
                    reply = EncodePeekReply(std::span(data), 0);
                    break;
                default:
                    reply = EncodeStatusReply(0);
                    break;
            }
            for (const auto& f : EncodeResponseFragments(callId, 0, reply, 1432)) peer.Send(f);
        }
    });
    auto binding = BindTo(server.Port());
    AgentClient agent(*binding);
    std::int32_t snapper = 0;
    std::int32_t pending = 0;
    PeekResult peek;
    EXPECT_EQ(agent.Ping(), 0u);
    EXPECT_EQ(agent.SnapSessionCreate(), 0u);
    EXPECT_EQ(agent.SnapSnapperStartA(60, 41, Bytes(68, 1), snapper), 0u);
    EXPECT_EQ(snapper, 42);
    EXPECT_EQ(agent.SnapSnapperQueryA(snapper, pending), 0u);
    EXPECT_EQ(pending, 420);
    EXPECT_EQ(agent.SnapSnapperPeekA(snapper, peek), 0u);
    EXPECT_EQ(peek.len, data.size());
    EXPECT_EQ(peek.data, data);
    EXPECT_EQ(agent.SnapSnapperStopA(snapper), 0u);
    EXPECT_EQ(agent.SnapSessionClose(), 0u);
    binding.reset();
    EXPECT_EQ(opnums, (std::vector<std::uint16_t>{0, 1, 3, 5, 6, 4, 2}));
}

TEST(Client, LargeRequestIsFragmentedToTheServersSize) {
    std::vector<Bytes> fragments;
    FakeServer server([&](Peer& peer) {
        peer.AcceptBind(1432);
        for (;;) {
            Bytes raw = peer.ReadRaw();
            if (raw.empty()) return;
            fragments.push_back(raw);
            if ((raw[3] & kFlagLast) != 0) peer.Send(Response(raw[12], EncodeLongReply(1, 0)));
        }
    });
    Bytes config(5000);
    for (std::size_t i = 0; i < config.size(); ++i) config[i] = static_cast<std::uint8_t>(i);
    auto binding = BindTo(server.Port());
    std::int32_t snapper = 0;
    EXPECT_EQ(AgentClient(*binding).SnapSnapperStartA(60, 0, config, snapper), 0u);
    binding.reset();
    ASSERT_EQ(fragments.size(), 4u);
    Reassembler re(1 << 20);
    for (std::size_t i = 0; i < fragments.size(); ++i) {
        EXPECT_LE(fragments[i].size(), 1432u);
        auto pdu = DecodePdu(fragments[i]).Value();
        const auto& body = std::get<RequestBody>(pdu.body);
        EXPECT_EQ(body.opnum, 3);
        if (i + 1 < fragments.size()) {
            EXPECT_EQ(body.stub.size() % 8, 0u);
        }
        ASSERT_TRUE(re.Add(std::move(pdu)));
    }
    EXPECT_EQ(re.TakeStub(), EncodeStartRequest(60, 0, config));
}

struct FaultCase {
    const char* name;
    std::function<void(Peer&)> server;
    RpcStatus expected;
};

// Reads the bind and the request, then does what the case says.
std::function<void(Peer&)> AfterRequest(std::function<void(Peer&, std::uint32_t callId)> then) {
    return [then](Peer& peer) {
        peer.AcceptBind();
        Bytes raw = peer.ReadRaw();
        if (!raw.empty()) then(peer, raw[12]);
    };
}

TEST(Client, ServerFaultsAndBrokenRepliesBecomeStatuses) {
    const std::vector<FaultCase> cases = {
        {"op range fault",
         AfterRequest([](Peer& p, std::uint32_t id) { p.Send(EncodeFault(id, 0, 0x1c010002, kFlagDidNotExecute)); }),
         1745},
        {"unknown interface fault",
         AfterRequest([](Peer& p, std::uint32_t id) { p.Send(EncodeFault(id, 0, 0x1c010003, kFlagDidNotExecute)); }),
         1717},
        {"protocol error fault",
         AfterRequest([](Peer& p, std::uint32_t id) { p.Send(EncodeFault(id, 0, 0x1c01000b)); }), 1728},
        {"access denied fault", AfterRequest([](Peer& p, std::uint32_t id) { p.Send(EncodeFault(id, 0, 5)); }), 5},
        {"closed before reply", AfterRequest([](Peer&, std::uint32_t) {}), 1726},
        {"closed mid-reply", AfterRequest([](Peer& p, std::uint32_t id) {
             Bytes r = Response(id, EncodeStatusReply(0));
             r.resize(20);
             p.Send(r);
         }),
         1726},
        {"wrong call id",
         AfterRequest([](Peer& p, std::uint32_t id) { p.Send(Response(id + 1, EncodeStatusReply(0))); }), 1728},
        {"wrong PDU type", AfterRequest([](Peer& p, std::uint32_t id) {
             p.Send(EncodeBindAck(id, BindAckBody{4280, 4280, 0, "", {{0, 0, kNdrSyntax}}}));
         }),
         1728},
        {"not DCE RPC at all", AfterRequest([](Peer& p, std::uint32_t) { p.Send(Bytes(64, 'A')); }), 1728},
        {"frag_length shorter than a header", AfterRequest([](Peer& p, std::uint32_t id) {
             Bytes r = Response(id, EncodeStatusReply(0));
             r[8] = 8;
             p.Send(r);
         }),
         1728},
        {"reply stub too short", AfterRequest([](Peer& p, std::uint32_t id) {
             p.Send(Response(id, Bytes{0, 0}));
         }),
         1783},
        {"second fragment without first", AfterRequest([](Peer& p, std::uint32_t id) {
             p.Send(EncodeResponse(id, kFlagLast, 4, 0, EncodeStatusReply(0)));
         }),
         1728},
        {"shutdown", AfterRequest([](Peer& p, std::uint32_t id) {
             Bytes r = EncodeFault(id, 0, 0);
             r[2] = static_cast<std::uint8_t>(PduType::Shutdown);
             p.Send(r);
         }),
         1726},
        {"bind_nak",
         [](Peer& p) {
             p.Send(EncodeBindNak(p.Read().header.callId, BindNakBody{0, {{5, 0}}}));
         },
         1727},
        {"bind_nak busy",
         [](Peer& p) {
             p.Send(EncodeBindNak(p.Read().header.callId, BindNakBody{2, {}}));
         },
         1723},
        {"interface rejected",
         [](Peer& p) {
             p.Send(EncodeBindAck(p.Read().header.callId, BindAckBody{4280, 4280, 0, "", {{2, 1, SyntaxId{}}}}));
         },
         1717},
        {"bind answered by a fault", [](Peer& p) { p.Send(EncodeFault(p.Read().header.callId, 0, 0x1c01000b)); }, 1728},
        {"closed at once", [](Peer&) {}, 1722},
    };
    for (const auto& c : cases) {
        FakeServer server(c.server);
        auto binding = BindTo(server.Port());
        EXPECT_EQ(AgentClient(*binding).Ping(), c.expected) << c.name;
    }
}

TEST(Client, OddFramingIsReassembledByFragLength) {
    // The reply arrives one byte per send, as four fragments, from a big-endian peer.
    FakeServer server(AfterRequest([](Peer& p, std::uint32_t id) {
        // Query reply: pending 0x01020304, status 0, in big-endian NDR, split into 4-byte fragments.
        const Bytes stub = {0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00, 0x00};
        for (std::size_t i = 0; i < 2; ++i) {
            Bytes f = {
                0x05, 0x00, 0x02, static_cast<std::uint8_t>((i == 0 ? kFlagFirst : 0) | (i == 1 ? kFlagLast : 0)),
                0x00, 0x00, 0x00, 0x00,
                0x00, 0x1c, 0x00, 0x00,
                0x00, 0x00, 0x00, static_cast<std::uint8_t>(id),
                0x00, 0x00, 0x00, 0x08,
                0x00, 0x00, 0x00, 0x00};
            f.insert(f.end(), stub.begin() + static_cast<std::ptrdiff_t>(i * 4),
                     stub.begin() + static_cast<std::ptrdiff_t>(i * 4 + 4));
            for (auto b : f) {
                p.Send(Bytes{b});
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
        p.ReadRaw();  // wait for the client to go
    }));
    auto binding = BindTo(server.Port());
    std::int32_t pending = 0;
    EXPECT_EQ(AgentClient(*binding).SnapSnapperQueryA(1, pending), 0u);
    EXPECT_EQ(pending, 0x01020304);
}

TEST(Client, PeekRepliesAreCheckedBeforeAllocation) {
    const auto peekReply = [](Bytes stub) {
        return Serve([stub](std::uint32_t callId, std::uint16_t, const Bytes&) { return Response(callId, stub); });
    };
    const Bytes huge = {0x01, 0x00, 0x00, 0x05, 0x04, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00, 0x05, 0, 0, 0, 0};
    const Bytes countDisagrees = {0x08, 0, 0, 0, 0x04, 0x00, 0x02, 0x00, 0x07, 0, 0, 0,
                                  1,    2, 3, 4, 5,    6,    7,    8,    0,    0, 0, 0};
    const Bytes shortData = {0x08, 0, 0, 0, 0x04, 0x00, 0x02, 0x00, 0x08, 0, 0, 0, 1, 2, 3};
    const Bytes noStatus = {0x04, 0, 0, 0, 0x04, 0x00, 0x02, 0x00, 0x04, 0, 0, 0, 1, 2, 3, 4};
    for (const auto& [name, stub] : std::vector<std::pair<const char*, Bytes>>{{"len beyond 64 MiB", huge},
                                                                               {"count disagrees", countDisagrees},
                                                                               {"short data", shortData},
                                                                               {"no status", noStatus}}) {
        FakeServer server(peekReply(stub));
        auto binding = BindTo(server.Port());
        PeekResult peek;
        EXPECT_EQ(AgentClient(*binding).SnapSnapperPeekA(1, peek), platform::kRpcBadStubData) << name;
        EXPECT_TRUE(peek.data.empty()) << name;
    }
    // A null data pointer carries len and referent 0 and nothing else; a failing status
    // hands nothing back.
    for (const auto& [stub, status] :
         std::vector<std::pair<Bytes, RpcStatus>>{{{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0},
                                                  {{4, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 9, 9, 9, 9, 5, 0, 0, 0}, 5}}) {
        FakeServer server(peekReply(stub));
        auto binding = BindTo(server.Port());
        PeekResult peek;
        EXPECT_EQ(AgentClient(*binding).SnapSnapperPeekA(1, peek), status);
        EXPECT_TRUE(peek.data.empty());
    }
}

TEST(Client, AnIdleAssociationIsOpenedAgainOnlyWhenTheServerAskedToCloseIt) {
    struct Case {
        const char* name;
        bool askedToClose;  // a shutdown PDU before the server closed the idle connection
    } cases[] = {
        {"the server made room of the idle connection", true},
        {"the connection broke", false},
    };
    for (const auto& c : cases) {
        std::atomic<int> served{0};
        std::atomic<bool> firstClosed{false};
        FakeServer server([&](Peer& peer) {
            peer.AcceptBind();
            std::uint32_t callId = 0;
            std::uint16_t opnum = 0;
            Bytes stub;
            while (peer.ReadRequest(callId, opnum, stub)) {
                peer.Send(Response(callId, EncodeStatusReply(0)));
                if (++served == 1) break;  // the first connection ends after one call
            }
            if (c.askedToClose) peer.Send(EncodeShutdown());
            peer.socket.Close();
            firstClosed = true;
        });
        auto binding = BindTo(server.Port());
        AgentClient agent(*binding);
        ASSERT_EQ(agent.Ping(), 0u) << c.name;
        ASSERT_TRUE(support::WaitUntil([&] { return firstClosed.load(); })) << c.name;
        // Asked to close, the client opens a new association; a broken one is told.
        EXPECT_EQ(agent.Ping() == 0, c.askedToClose) << c.name;
        EXPECT_EQ(server.Connections(), c.askedToClose ? 2 : 1) << c.name;
    }
}

TEST(Client, TimeOutsUnreachableServersAndCancellationsAreToldApart) {
    using namespace std::chrono_literals;
    platform::ManualResetEvent release;
    FakeServer silent(AfterRequest([&](Peer&, std::uint32_t) { release.Wait(10s); }));
    // A peek whose reply trickles in: each fragment well within the time-out, the whole not.
    FakeServer trickling(AfterRequest([](Peer& p, std::uint32_t id) {
        const Bytes data(12000, 0x5A);
        for (const auto& fragment : EncodeResponseFragments(id, 0, EncodePeekReply(data, 0), 1024)) {
            std::this_thread::sleep_for(100ms);
            p.Send(fragment);
        }
    }));
    platform::TcpListener gone;
    gone.Listen(0x7F000001, 0);
    const std::uint16_t nobody = gone.Port();
    gone.Close();
    // A listener that accepts nothing and whose backlog is full: connections never complete.
    const int full = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    ::bind(full, static_cast<sockaddr*>(static_cast<void*>(&address)), sizeof address);
    ::listen(full, 0);
    ::getsockname(full, static_cast<sockaddr*>(static_cast<void*>(&address)), &length);
    std::vector<platform::TcpSocket> queued(3);
    for (auto& q : queued)
        q.Connect(0x7F000001, ntohs(address.sin_port), std::chrono::steady_clock::now() + 200ms, nullptr);
    struct Case {
        const char* name;
        std::uint16_t port;
        RpcStatus status;
    } cases[] = {
        {"a server that does not answer", silent.Port(), platform::kErrorTimeout},
        {"nothing listens", nobody, platform::kRpcServerUnavailable},
        {"the connection is never accepted", ntohs(address.sin_port), platform::kRpcServerUnavailable},
        {"a slow reply that keeps coming", trickling.Port(), platform::kRpcOk},
    };
    for (const auto& c : cases) {
        auto binding = BindTo(c.port, 300ms);
        PeekResult peek;
        EXPECT_EQ(AgentClient(*binding).SnapSnapperPeekA(1, peek), c.status) << c.name;
        ASSERT_TRUE(StatusText(c.status) || c.status == platform::kRpcOk) << c.name;
    }
    ::close(full);
    release.Set();
    release.Reset();
    FakeServer server(AfterRequest([&](Peer&, std::uint32_t) { release.Wait(10s); }));
    auto binding = BindTo(server.Port(), std::chrono::seconds(60));
    auto call = std::async(std::launch::async, [&] { return AgentClient(*binding).Ping(); });
    EXPECT_EQ(call.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    binding->Abort();
    ASSERT_EQ(call.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(call.get(), platform::kRpcCallCancelled);
    // A call waiting behind the aborted one is refused too, until the abort is cleared.
    EXPECT_EQ(AgentClient(*binding).Ping(), platform::kRpcCallCancelled);
    release.Set();
}

// Closing one window cancels that window's call, not the binding the host's other windows use.
TEST(Client, ACancelEndsOnlyItsOwnCall) {
    FakeServer server(Serve([](std::uint32_t callId, std::uint16_t opnum, const Bytes&) {
        return opnum == 5 ? Bytes{} : Response(callId, EncodeStatusReply(0));  // queries are never answered
    }));
    auto binding = BindTo(server.Port(), std::chrono::seconds(60));
    platform::ManualResetEvent cancel;
    auto query = [&](CallCancel token) {
        std::int32_t pending = 0;
        return AgentClient(*binding, token).SnapSnapperQueryA(1, pending);
    };
    auto hung = std::async(std::launch::async, [&] { return query({&cancel}); });
    EXPECT_EQ(hung.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    cancel.Set();
    ASSERT_EQ(hung.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(hung.get(), platform::kRpcCallCancelled);
    EXPECT_EQ(AgentClient(*binding).Ping(), platform::kRpcOk) << "another caller goes on, over a new connection";
    EXPECT_EQ(server.Connections(), 2);
    EXPECT_EQ(AgentClient(*binding, {&cancel}).Ping(), platform::kRpcCallCancelled) << "a set token refuses at once";
    EXPECT_EQ(query({nullptr, std::chrono::steady_clock::now() + std::chrono::milliseconds(100)}),
              platform::kRpcCallCancelled)
        << "the token's deadline comes before the binding's time-out";
}

TEST(Client, CallsFromManyThreadsShareOneConnection) {
    FakeServer server(Serve([](std::uint32_t callId, std::uint16_t opnum, const Bytes& stub) {
        if (opnum == 5) return Response(callId, EncodeLongReply(DecodeSnapperRequest(stub, false).Value(), 0));
        return Response(callId, EncodeStatusReply(0));
    }));
    auto binding = BindTo(server.Port());
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            AgentClient agent(*binding);
            for (int i = 0; i < 25; ++i) {
                std::int32_t pending = -1;
                if (agent.SnapSnapperQueryA(t * 100 + i, pending) != 0 || pending != t * 100 + i) ++wrong;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(server.Connections(), 1);
}

TEST(StringBindingTest, ComposeAndParse) {
    std::string text;
    ASSERT_EQ(ComposeStringBinding({"", "ncacn_ip_tcp", "agent01", "", ""}, text), 0u);
    EXPECT_EQ(text, "ncacn_ip_tcp:agent01");
    ASSERT_EQ(ComposeStringBinding({"", "ncacn_ip_tcp", "10.0.0.1", "4000", "x=1"}, text), 0u);
    EXPECT_EQ(text, "ncacn_ip_tcp:10.0.0.1[4000,x=1]");
    StringBinding parts;
    ASSERT_EQ(ParseStringBinding(text, parts), 0u);
    EXPECT_EQ(parts.networkAddress, "10.0.0.1");
    EXPECT_EQ(parts.endpoint, "4000");
    EXPECT_EQ(parts.options, "x=1");
    EXPECT_EQ(ComposeStringBinding({"", "", "host", "", ""}, text), platform::kRpcInvalidStringBinding);
    EXPECT_EQ(ParseStringBinding("no-colon", parts), platform::kRpcInvalidStringBinding);
    EXPECT_EQ(ParseStringBinding("ncacn_ip_tcp:host[4000", parts), platform::kRpcInvalidStringBinding);
    EXPECT_EQ(ParseStringBinding("nonsense@ncacn_ip_tcp:host", parts), 1705u);
    std::unique_ptr<BindingHandle> binding;
    EXPECT_EQ(BindingHandle::FromStringBinding("ncacn_np:host", binding), platform::kRpcProtseqNotSupported);
    EXPECT_EQ(BindingHandle::FromStringBinding("ncacn_ip_tcp:host.invalid", binding), platform::kRpcInvalidNetAddr);
    EXPECT_EQ(BindingHandle::FromStringBinding("ncacn_ip_tcp:127.0.0.1[port]", binding),
              platform::kRpcInvalidEndpointFormat);
    ASSERT_EQ(BindingHandle::FromStringBinding("ncacn_ip_tcp:127.0.0.1", binding), 0u);
    EXPECT_EQ(binding->SetAuthInfo(kAuthnLevelNone, kAuthnWinNt), 0u);
    EXPECT_EQ(binding->SetAuthInfo(6, kAuthnWinNt), platform::kRpcUnsupportedAuthnLevel);
    EXPECT_EQ(binding->SetAuthInfo(1, 77), platform::kRpcUnknownAuthnService);
}

TEST(StatusTextTest, UnknownStatusesAndFaultTranslation) {
    EXPECT_FALSE(StatusText(123456));
    EXPECT_EQ(StatusFromFault(0x1c010002), 1745u);
    EXPECT_EQ(StatusFromFault(0x1c010003), 1717u);
    EXPECT_EQ(StatusFromFault(0x1c00001c), 1717u);
    EXPECT_EQ(StatusFromFault(0x1c000099), 1726u);  // an NCA code we do not know
    EXPECT_EQ(StatusFromFault(0x6f7), 1783u);       // Win32 codes pass through
}

}  // namespace
}  // namespace rpc::test
