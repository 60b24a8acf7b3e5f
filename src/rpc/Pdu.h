// Connection-oriented DCE RPC PDUs: the 16-byte common header and the bodies of bind,
// bind_ack, bind_nak, alter_context_resp, request, response and fault, encoded and decoded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "core/Result.h"
#include "rpc/Uuid.h"

namespace rpc {

enum class PduType : std::uint8_t {
    Request = 0,
    Response = 2,
    Fault = 3,
    Bind = 11,
    BindAck = 12,
    BindNak = 13,
    AlterContext = 14,
    AlterContextResp = 15,
    Shutdown = 17,
    CoCancel = 18,
    Orphaned = 19,
};

inline constexpr std::uint8_t kFlagFirst = 0x01;
inline constexpr std::uint8_t kFlagLast = 0x02;
inline constexpr std::uint8_t kFlagPendingCancel = 0x04;
inline constexpr std::uint8_t kFlagConcMpx = 0x10;
inline constexpr std::uint8_t kFlagDidNotExecute = 0x20;
inline constexpr std::uint8_t kFlagMaybe = 0x40;
inline constexpr std::uint8_t kFlagObjectUuid = 0x80;

// Why a bind_ack refuses a presentation context (provider reasons).
inline constexpr std::uint16_t kReasonAbstractSyntaxNotSupported = 1;
inline constexpr std::uint16_t kReasonTransferSyntaxesNotSupported = 2;
// Why a bind_nak refuses the whole bind.
inline constexpr std::uint16_t kNakReasonNotSpecified = 0;
inline constexpr std::uint16_t kNakTemporaryCongestion = 2;
inline constexpr std::uint16_t kNakLocalLimitExceeded = 3;
inline constexpr std::uint16_t kNakProtocolVersionNotSupported = 4;

inline constexpr std::size_t kHeaderSize = 16;
inline constexpr std::size_t kRequestHeaderSize = 24;   // common header + alloc_hint, context, opnum
inline constexpr std::size_t kResponseHeaderSize = 24;  // common header + alloc_hint, context, cancel count
inline constexpr std::size_t kSecTrailerSize = 8;
inline constexpr std::uint16_t kMustAcceptFrag = 1432;  // every peer handles fragments this large

// Little-endian integers, ASCII characters, IEEE floats.
inline constexpr std::array<std::uint8_t, 4> kLocalDrep = {0x10, 0x00, 0x00, 0x00};

struct PduHeader {
    std::uint8_t version = 5;
    std::uint8_t minorVersion = 0;
    PduType type = PduType::Request;
    std::uint8_t flags = 0;
    std::array<std::uint8_t, 4> drep = kLocalDrep;
    std::uint16_t fragLength = 0;
    std::uint16_t authLength = 0;
    std::uint32_t callId = 0;

    bool BigEndian() const noexcept { return (drep[0] & 0xF0) == 0; }
};

struct ContextElement {
    std::uint16_t contextId = 0;
    SyntaxId abstractSyntax;
    std::vector<SyntaxId> transferSyntaxes;
};

struct BindBody {  // bind and alter_context
    std::uint16_t maxXmitFrag = 0;
    std::uint16_t maxRecvFrag = 0;
    std::uint32_t assocGroup = 0;
    std::vector<ContextElement> contexts;
};

// Result of one presentation context, in the order the contexts were offered.
struct ContextResult {
    enum : std::uint16_t { kAcceptance = 0, kUserRejection = 1, kProviderRejection = 2 };
    std::uint16_t result = kAcceptance;
    std::uint16_t reason = 0;
    SyntaxId transferSyntax;
};

struct BindAckBody {  // bind_ack and alter_context_resp
    std::uint16_t maxXmitFrag = 0;
    std::uint16_t maxRecvFrag = 0;
    std::uint32_t assocGroup = 0;
    std::string secondaryAddress;  // the server's port, without its terminating NUL
    std::vector<ContextResult> results;
};

struct BindNakBody {
    std::uint16_t rejectReason = 0;
    std::vector<std::array<std::uint8_t, 2>> versions;  // major, minor
};

struct RequestBody {
    std::uint32_t allocHint = 0;
    std::uint16_t contextId = 0;
    std::uint16_t opnum = 0;
    Uuid object;  // only when the header's object flag is set
    std::vector<std::uint8_t> stub;
};

struct ResponseBody {
    std::uint32_t allocHint = 0;
    std::uint16_t contextId = 0;
    std::uint8_t cancelCount = 0;
    std::vector<std::uint8_t> stub;
};

struct FaultBody {
    std::uint32_t allocHint = 0;
    std::uint16_t contextId = 0;
    std::uint8_t cancelCount = 0;
    std::uint32_t status = 0;
};

struct Pdu {
    PduHeader header;
    // monostate for the types that carry nothing this runtime reads (shutdown, orphaned...)
    std::variant<std::monostate, BindBody, BindAckBody, BindNakBody, RequestBody, ResponseBody, FaultBody> body;
};

// Checks the first 16 bytes of a PDU (version 5.0, a data representation we can read,
// frag_length covering the header and the auth data) and returns its frag_length.
core::Result<std::uint16_t> FragLengthOf(std::span<const std::uint8_t> header);

// Decodes exactly one PDU; the span must be frag_length bytes long.
core::Result<Pdu> DecodePdu(std::span<const std::uint8_t> bytes);

// Encoders; every PDU goes out little-endian with no auth data.
std::vector<std::uint8_t> EncodeBind(std::uint32_t callId, const BindBody& body, PduType type = PduType::Bind);
std::vector<std::uint8_t> EncodeBindAck(std::uint32_t callId, const BindAckBody& body, PduType type = PduType::BindAck);
std::vector<std::uint8_t> EncodeBindNak(std::uint32_t callId, const BindNakBody& body);
// The server asks the client to close the association (a header alone).
std::vector<std::uint8_t> EncodeShutdown();
std::vector<std::uint8_t> EncodeFault(std::uint32_t callId, std::uint16_t contextId, std::uint32_t status,
                                      std::uint8_t extraFlags = 0);
// One request or response fragment exactly as given (flags include FIRST/LAST).
std::vector<std::uint8_t> EncodeRequest(std::uint32_t callId, std::uint8_t flags, const RequestBody& body);
std::vector<std::uint8_t> EncodeResponse(std::uint32_t callId, std::uint8_t flags, std::uint32_t allocHint,
                                         std::uint16_t contextId, std::span<const std::uint8_t> stub);

// Splits a call's stub into fragments no longer than maxFrag: every fragment repeats call
// id, context id (and opnum), the stub of a non-last fragment is a multiple of 8 bytes, and
// alloc_hint says how much stub remains from that fragment on.
std::vector<std::vector<std::uint8_t>> EncodeRequestFragments(std::uint32_t callId, std::uint16_t contextId,
                                                              std::uint16_t opnum, std::span<const std::uint8_t> stub,
                                                              std::uint16_t maxFrag);
// One response fragment as its 24-byte header and the slice of the stub it carries, so a
// large reply can be sent from the stub in place, fragment headers between its slices.
struct ResponseFragment {
    std::array<std::uint8_t, kRequestHeaderSize> header;
    std::size_t offset = 0;
    std::size_t length = 0;
};
std::vector<ResponseFragment> PlanResponseFragments(std::uint32_t callId, std::uint16_t contextId, std::size_t stubSize,
                                                    std::uint16_t maxFrag);
// The fragment's PDU: its header, then its slice of the stub.
std::vector<std::uint8_t> JoinFragment(const ResponseFragment& fragment, std::span<const std::uint8_t> stub);
std::vector<std::vector<std::uint8_t>> EncodeResponseFragments(std::uint32_t callId, std::uint16_t contextId,
                                                               std::span<const std::uint8_t> stub,
                                                               std::uint16_t maxFrag);

// Collects the stub of one fragmented request or response. Fragments must share type,
// call id, context id (and opnum), start with FIRST and end with LAST; the total stub is
// bounded so a peer cannot make us grow without limit.
class Reassembler {
public:
    explicit Reassembler(std::size_t maxStub) : m_maxStub(maxStub) {}

    // Adds one decoded fragment; true once the LAST fragment is in.
    core::Result<bool> Add(Pdu&& fragment);
    bool Started() const noexcept { return m_started; }
    const PduHeader& FirstHeader() const noexcept { return m_first; }
    std::uint16_t ContextId() const noexcept { return m_contextId; }
    std::uint16_t Opnum() const noexcept { return m_opnum; }
    std::vector<std::uint8_t> TakeStub();

private:
    std::size_t m_maxStub;
    bool m_started = false;
    PduHeader m_first;
    std::uint16_t m_contextId = 0;
    std::uint16_t m_opnum = 0;
    std::vector<std::uint8_t> m_stub;
};

}  // namespace rpc
