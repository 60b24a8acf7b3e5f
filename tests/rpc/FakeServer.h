// A scripted DCE RPC peer on loopback for the client tests: each accepted connection is
// handed to the test's handler, which reads and writes raw PDUs.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "platform/TcpSocket.h"
#include "rpc/AgentInterface.h"
#include "rpc/Pdu.h"

namespace rpc::test {

using Bytes = std::vector<std::uint8_t>;

inline platform::Deadline Soon() { return std::chrono::steady_clock::now() + std::chrono::seconds(5); }

struct Peer {
    platform::TcpSocket socket;
    const platform::ManualResetEvent* stop = nullptr;

    // One PDU's raw bytes, read by its frag_length; empty when the client went away.
    Bytes ReadRaw() {
        Bytes header(kHeaderSize);
        if (socket.RecvExact(header, Soon(), stop) != platform::NetStatus::Ok) return {};
        const std::size_t length = header[8] | (header[9] << 8);
        if (length < kHeaderSize) return {};
        header.resize(length);
        if (socket.RecvExact(std::span(header).subspan(kHeaderSize), Soon(), stop) != platform::NetStatus::Ok)
            return {};
        return header;
    }
    Pdu Read() {
        auto pdu = DecodePdu(ReadRaw());
        return pdu ? std::move(pdu).Value() : Pdu{};
    }
    void Send(const Bytes& bytes) { socket.SendAll(bytes, Soon(), stop); }
    // Answers a bind for whatever interface with acceptance and NDR.
    std::uint32_t AcceptBind(std::uint16_t maxRecvFrag = 4280, std::uint16_t maxXmitFrag = 4280) {
        const Pdu bind = Read();
        BindAckBody ack;
        ack.maxXmitFrag = maxXmitFrag;
        ack.maxRecvFrag = maxRecvFrag;
        ack.secondaryAddress = "135";
        ack.results.push_back({ContextResult::kAcceptance, 0, kNdrSyntax});
        Send(EncodeBindAck(bind.header.callId, ack));
        return bind.header.callId;
    }
    // Reads one whole (possibly fragmented) request.
    bool ReadRequest(std::uint32_t& callId, std::uint16_t& opnum, Bytes& stub) {
        Reassembler re(1 << 24);
        for (;;) {
            auto raw = ReadRaw();
            auto pdu = DecodePdu(raw);
            if (!pdu) return false;
            callId = pdu.Value().header.callId;
            auto done = re.Add(std::move(pdu).Value());
            if (!done) return false;
            if (done.Value()) break;
        }
        opnum = re.Opnum();
        stub = re.TakeStub();
        return true;
    }
};

class FakeServer {
public:
    explicit FakeServer(std::function<void(Peer&)> handler) : m_handler(std::move(handler)) {
        m_listener.Listen(0x7F000001, 0);
        m_thread = std::thread([this] {
            while (!m_stop.IsSet()) {
                auto socket = m_listener.Accept(std::chrono::steady_clock::now() + std::chrono::seconds(30), &m_stop);
                if (!socket) continue;
                Peer peer{std::move(*socket), &m_stop};
                ++m_connections;
                m_handler(peer);
            }
        });
    }
    ~FakeServer() {
        m_stop.Set();
        m_thread.join();
    }
    std::uint16_t Port() const { return m_listener.Port(); }
    int Connections() const { return m_connections; }

private:
    std::function<void(Peer&)> m_handler;
    platform::TcpListener m_listener;
    platform::ManualResetEvent m_stop;
    std::atomic<int> m_connections{0};
    std::thread m_thread;
};

}  // namespace rpc::test
