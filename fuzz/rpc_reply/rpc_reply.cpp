// Fuzz target: the bytes are everything a server sends back on one connection to a bind
// and one call; every reply decoder then reads the reassembled stub.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

#include "rpc/AgentInterface.h"
#include "rpc/AgentStubs.h"
#include "rpc/Association.h"
#include "rpc/EpmClient.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 60000) return 0;  // stays within one socket buffer, so the writer never blocks
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0) return 0;
    platform::TcpSocket server(fds[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    server.SendAll(std::span(data, size), deadline, nullptr);
    ::shutdown(fds[1], SHUT_WR);

    rpc::Association association(rpc::kMaxPeekBytes);
    association.Attach(platform::TcpSocket(fds[0]));
    if (association.Bind(rpc::kAgentInterface, deadline, nullptr) != platform::kRpcOk) return 0;
    const auto reply = association.Call(6, rpc::EncodeSnapperRequest(1), deadline, nullptr);
    if (reply.status != platform::kRpcOk) return 0;
    (void)rpc::DecodeStatusReply(reply.stub, reply.bigEndian);
    (void)rpc::DecodeLongReply(reply.stub, reply.bigEndian);
    (void)rpc::DecodePeekReply(reply.stub, reply.bigEndian, rpc::kMaxPeekBytes);
    (void)rpc::DecodeEptMapReply(reply.stub, reply.bigEndian);
    return 0;
}
