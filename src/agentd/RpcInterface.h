// One interface a connection serves: its abstract syntax and its procedures. A call gets
// the reassembled request stub and answers with a reply stub or a fault status.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "rpc/Uuid.h"

namespace agentd {

// Fault statuses the server side sends.
inline constexpr std::uint32_t kFaultOpRange = 0x1C010002;     // nca_s_op_rng_error
inline constexpr std::uint32_t kFaultUnknownIf = 0x1C010003;   // nca_s_unk_if
inline constexpr std::uint32_t kFaultProtoError = 0x1C01000B;  // nca_proto_error
inline constexpr std::uint32_t kFaultBadStubData = 0x000006F7;  // the stub does not hold what the procedure takes

struct RpcReply {
    std::vector<std::uint8_t> stub;
    std::uint32_t fault = 0;         // non-zero: answer with a fault PDU instead
    bool didNotExecute = false;      // the fault came before the procedure ran

    static RpcReply Fault(std::uint32_t status, bool didNotExecute) { return {{}, status, didNotExecute}; }
};

class RpcInterface {
public:
    virtual ~RpcInterface() = default;
    virtual const rpc::SyntaxId& Syntax() const noexcept = 0;
    // The stub is in the sender's data representation (bigEndian for a big-endian client);
    // replies are always little-endian.
    virtual RpcReply Call(std::uint16_t opnum, std::span<const std::uint8_t> stub, bool bigEndian) = 0;
};

}  // namespace agentd
