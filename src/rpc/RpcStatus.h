// Status codes as a Windows RPC client reports them, the translation of a fault PDU's
// NCA status, and the system's text for each status this runtime produces.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace rpc {

using RpcStatus = std::uint32_t;

inline constexpr RpcStatus kRpcOk = 0;
inline constexpr RpcStatus kErrorAccessDenied = 5;
inline constexpr RpcStatus kErrorInvalidHandle = 6;
inline constexpr RpcStatus kErrorOutOfMemory = 14;
inline constexpr RpcStatus kErrorGenFailure = 31;
inline constexpr RpcStatus kErrorOpenFailed = 110;
inline constexpr RpcStatus kErrorTimeout = 1460;
inline constexpr RpcStatus kErrorInvalidParameter = 87;
inline constexpr RpcStatus kRpcInvalidStringBinding = 1700;
inline constexpr RpcStatus kRpcInvalidBinding = 1702;
inline constexpr RpcStatus kRpcProtseqNotSupported = 1703;
inline constexpr RpcStatus kRpcInvalidRpcProtseq = 1704;
inline constexpr RpcStatus kRpcInvalidEndpointFormat = 1706;
inline constexpr RpcStatus kRpcInvalidNetAddr = 1707;
inline constexpr RpcStatus kRpcUnknownIf = 1717;
inline constexpr RpcStatus kRpcServerUnavailable = 1722;
inline constexpr RpcStatus kRpcServerTooBusy = 1723;
inline constexpr RpcStatus kRpcCallFailed = 1726;
inline constexpr RpcStatus kRpcCallFailedDne = 1727;
inline constexpr RpcStatus kRpcProtocolError = 1728;
inline constexpr RpcStatus kRpcUnsupportedTransSyn = 1730;
inline constexpr RpcStatus kRpcUnsupportedType = 1732;
inline constexpr RpcStatus kRpcInvalidTag = 1733;
inline constexpr RpcStatus kRpcInvalidBound = 1734;
inline constexpr RpcStatus kRpcProcnumOutOfRange = 1745;
inline constexpr RpcStatus kRpcUnknownAuthnService = 1747;
inline constexpr RpcStatus kRpcUnknownAuthnLevel = 1748;
inline constexpr RpcStatus kEptNotRegistered = 1753;
inline constexpr RpcStatus kRpcZeroDivide = 1767;
inline constexpr RpcStatus kRpcAddressError = 1768;
inline constexpr RpcStatus kRpcFpDivZero = 1769;
inline constexpr RpcStatus kRpcFpUnderflow = 1770;
inline constexpr RpcStatus kRpcFpOverflow = 1771;
inline constexpr RpcStatus kRpcBadStubData = 1783;
inline constexpr RpcStatus kRpcCallCancelled = 1818;
inline constexpr RpcStatus kRpcUnsupportedAuthnLevel = 1821;

// NCA status values that travel in fault PDUs.
inline constexpr std::uint32_t kNcaOpRangeError = 0x1C010002;
inline constexpr std::uint32_t kNcaUnknownInterface = 0x1C010003;
inline constexpr std::uint32_t kNcaProtoError = 0x1C01000B;
inline constexpr std::uint32_t kNcaServerTooBusy = 0x1C010014;
inline constexpr std::uint32_t kNcaUnsupportedType = 0x1C010017;
inline constexpr std::uint32_t kNcaFaultCancel = 0x1C00000D;
inline constexpr std::uint32_t kNcaFaultUnspec = 0x1C000012;
inline constexpr std::uint32_t kNcaFaultContextMismatch = 0x1C00001A;
inline constexpr std::uint32_t kNcaFaultRemoteNoMemory = 0x1C00001B;
inline constexpr std::uint32_t kNcaInvalidPresContextId = 0x1C00001C;
inline constexpr std::uint32_t kNcaUnsupportedAuthnLevel = 0x1C00001D;

// The status a caller sees for a fault PDU's status: NCA codes are translated, anything
// else (a Win32 code such as 5 or 1783 sent by the server) passes through.
RpcStatus StatusFromFault(std::uint32_t faultStatus);

// The system's message text for a status, when it has one.
std::optional<std::string_view> StatusText(RpcStatus status);

}  // namespace rpc
