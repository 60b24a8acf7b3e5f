// Clients of an agent in the same process: a bare TCP client that sends whatever PDUs a
// case needs (hostile ones included) and reads the replies, and the manager's own client
// through the endpoint mapper.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>

#include "AgentTestUtil.h"
#include "rpc/AgentClient.h"
#include "rpc/BindingHandle.h"

namespace agentd::test {

class RawClient {
public:
    explicit RawClient(std::uint16_t port) : m_fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_fd, static_cast<sockaddr*>(static_cast<void*>(&addr)), sizeof addr) == 0;
        const timeval wait{10, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    }
    ~RawClient() { ::close(m_fd); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Connected() const { return m_connected; }
    // False once the server has closed the connection.
    bool Open() {
        std::uint8_t byte = 0;
        const ssize_t n = ::recv(m_fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        return n > 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
    }
    // True once the server has closed the connection, waiting up to limit for that.
    bool ClosedWithin(std::chrono::milliseconds limit) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(limit.count())) != 1) return false;
        return !Open();
    }
    // One reply PDU, whole; empty when the connection ended first.
    Bytes ReadPdu() {
        Bytes pdu(rpc::kHeaderSize);
        if (::recv(m_fd, pdu.data(), pdu.size(), MSG_WAITALL) != static_cast<ssize_t>(pdu.size())) return {};
        pdu.resize(pdu[8] | (pdu[9] << 8));
        const auto rest = pdu.size() - rpc::kHeaderSize;
        if (::recv(m_fd, &pdu[rpc::kHeaderSize], rest, MSG_WAITALL) != static_cast<ssize_t>(rest)) return {};
        return pdu;
    }
    void Send(const Bytes& bytes) { ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // Everything the server sends until it closes, or nullopt when it stays open for 10 s.
    std::optional<Bytes> ReadUntilClosed() {
        Bytes all;
        std::uint8_t chunk[4096];
        for (;;) {
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return std::nullopt;
            if (n <= 0) return all;  // closed, or reset
            all.insert(all.end(), chunk, chunk + n);
        }
    }

    // Binds the capture interface, asking to join association group `group` (0: none); the
    // bind_ack's body, or nullopt when the agent answered anything else.
    std::optional<rpc::BindAckBody> Bind(std::uint32_t group = 0, const rpc::BindBody& offer = AgentBind()) {
        rpc::BindBody bind = offer;
        bind.assocGroup = group;
        Send(rpc::EncodeBind(++m_callId, bind));
        auto pdu = rpc::DecodePdu(ReadPdu());
        if (!pdu || pdu.Value().header.type != rpc::PduType::BindAck) return std::nullopt;
        return std::get<rpc::BindAckBody>(pdu.Value().body);
    }
    // One call; the reply stub reassembled, or nullopt after a fault or the end of the connection.
    std::optional<Bytes> Call(std::uint16_t opnum, const Bytes& stub) {
        Send(Request(++m_callId, opnum, stub));
        rpc::Reassembler reply(1 << 27);
        for (;;) {
            auto pdu = rpc::DecodePdu(ReadPdu());
            if (!pdu || pdu.Value().header.type != rpc::PduType::Response) return std::nullopt;
            auto done = reply.Add(std::move(pdu).Value());
            if (!done) return std::nullopt;
            if (done.Value()) return reply.TakeStub();
        }
    }
    // One call whose reply is read and thrown away PDU by PDU; the reply's stub bytes, or 0.
    std::size_t Drain(std::uint16_t opnum, const Bytes& stub) {
        Send(Request(++m_callId, opnum, stub));
        std::size_t bytes = 0;
        for (;;) {
            const Bytes pdu = ReadPdu();
            if (pdu.size() < rpc::kResponseHeaderSize || pdu[2] != static_cast<std::uint8_t>(rpc::PduType::Response))
                return 0;
            bytes += pdu.size() - rpc::kResponseHeaderSize;
            if ((pdu[3] & rpc::kFlagLast) != 0) return bytes;
        }
    }
    // The status that ends a reply stub (every procedure's last word), or nullopt.
    std::optional<std::uint32_t> Status(std::uint16_t opnum, const Bytes& stub) {
        const auto reply = Call(opnum, stub);
        if (!reply || reply->size() < 4) return std::nullopt;
        return Word(*reply, reply->size() - 4);
    }
    // SnapSnapperStartA with the default configuration: the snapper and the status.
    std::pair<std::uint32_t, std::uint32_t> Start(std::uint32_t firstFrame = 0) {
        const auto reply =
            Call(static_cast<std::uint16_t>(rpc::AgentOp::SnapSnapperStartA), StartStub(firstFrame, Serialise({})));
        if (!reply || reply->size() != 8) return {0, 0xFFFFFFFF};
        return {Word(*reply, 0), Word(*reply, 4)};
    }
    std::optional<std::uint32_t> OnSnapper(rpc::AgentOp op, std::uint32_t snapper) {
        return Status(static_cast<std::uint16_t>(op), Le32({snapper}));
    }

private:
    int m_fd;
    bool m_connected = false;
    std::uint32_t m_callId = 0;
};

// The manager's own client, finding the agent through its endpoint mapper.
struct Client {
    explicit Client(std::uint16_t epmPort, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        EXPECT_EQ(rpc::BindingHandle::FromStringBinding("ncacn_ip_tcp:127.0.0.1", binding), 0U);
        binding->SetEpmPort(epmPort);
        binding->SetTimeout(timeout);
        agent = std::make_unique<rpc::AgentClient>(*binding);
    }
    std::unique_ptr<rpc::BindingHandle> binding;
    std::unique_ptr<rpc::AgentClient> agent;
};

}  // namespace agentd::test
