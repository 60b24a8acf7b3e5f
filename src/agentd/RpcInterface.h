// One interface a connection serves: its abstract syntax and its procedures. A call gets
// the reassembled request stub and answers with a reply stub or a fault status.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "AssociationGroups.h"
#include "rpc/Uuid.h"

namespace agentd {

// A reply stub's bytes. A large one (a peek) is built in place in memory that is not
// cleared first, and is shared: the connection sends it while the agent keeps it until the
// client shows, by its next call, that it has read it.
class StubBytes {
public:
    explicit StubBytes(std::size_t capacity) : m_bytes(new std::uint8_t[capacity]), m_capacity(capacity) {}
    explicit StubBytes(std::span<const std::uint8_t> bytes) : StubBytes(bytes.size()) {
        std::copy(bytes.begin(), bytes.end(), Writable().begin());
        m_size = bytes.size();
    }
    std::span<std::uint8_t> Writable() noexcept { return {m_bytes.get(), m_capacity}; }
    void SetSize(std::size_t size) noexcept { m_size = std::min(size, m_capacity); }
    std::span<const std::uint8_t> Bytes() const noexcept { return {m_bytes.get(), m_size}; }
    // Gives back what was allocated beyond the size (a reply packed into room for the worst
    // case), when that is worth a copy: an eighth of it or more.
    void ShrinkToFit() {
        if (m_capacity - m_size < m_capacity / 8) return;
        std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[m_size]);
        std::copy(Bytes().begin(), Bytes().end(), bytes.get());
        m_bytes = std::move(bytes);
        m_capacity = m_size;
    }
    std::size_t Allocated() const noexcept { return m_capacity; }

private:
    std::unique_ptr<std::uint8_t[]> m_bytes;
    std::size_t m_capacity;
    std::size_t m_size = 0;
};
using SharedStub = std::shared_ptr<const StubBytes>;

struct RpcReply {
    SharedStub stub;
    std::uint32_t fault = 0;     // non-zero: answer with a fault PDU instead
    bool didNotExecute = false;  // the fault came before the procedure ran

    static RpcReply Of(std::span<const std::uint8_t> stub) { return {std::make_shared<StubBytes>(stub), 0, false}; }
    static RpcReply Fault(std::uint32_t status, bool didNotExecute) { return {nullptr, status, didNotExecute}; }
};

class RpcInterface {
public:
    virtual ~RpcInterface() = default;
    virtual const rpc::SyntaxId& Syntax() const noexcept = 0;
    // The stub is in the sender's data representation (bigEndian for a big-endian client);
    // replies are always little-endian.
    virtual RpcReply Call(std::uint16_t opnum, std::span<const std::uint8_t> stub, bool bigEndian) = 0;
    // The connection's bind put it into `group`; the client asked for `asked` (0: a new one).
    virtual void Associated(const GroupRef& group, std::uint32_t asked) {
        static_cast<void>(group);
        static_cast<void>(asked);
    }
    // True while the connection holds something its client would come back for (a snapper).
    virtual bool HoldsState() const { return false; }
    // The connection has handed the last reply to the network.
    virtual void ReplySent() {}
};

}  // namespace agentd
