// The status codes that travel and are shown by number, defined once for every layer: the
// service managers' backends, the RPC client, the capture agent and the dialogs all speak
// them. They keep the numbering Windows managers and operators know (winerror.h): a Win32
// error, or an RPC runtime status, whichever backend or peer produced it.
#pragma once

#include <cstdint>

namespace platform {

// Win32 errors.
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;  // the agent: no such snapper for this client
inline constexpr std::uint32_t kErrorOutOfMemory = 14;
inline constexpr std::uint32_t kErrorGenFailure = 31;  // the agent: the snapper's source failed
inline constexpr std::uint32_t kErrorNotSupported = 50;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorOpenFailed = 110;  // the agent: the frame source could not be opened
inline constexpr std::uint32_t kErrorInvalidServiceControl = 1052;
inline constexpr std::uint32_t kErrorServiceAlreadyRunning = 1056;
inline constexpr std::uint32_t kErrorServiceDisabled = 1058;
inline constexpr std::uint32_t kErrorServiceDoesNotExist = 1060;
inline constexpr std::uint32_t kErrorServiceCannotAcceptControl = 1061;
inline constexpr std::uint32_t kErrorServiceNotActive = 1062;
inline constexpr std::uint32_t kErrorServiceSpecific = 1066;
inline constexpr std::uint32_t kErrorInternal = 1359;
inline constexpr std::uint32_t kErrorTimeout = 1460;

// RPC runtime statuses.
inline constexpr std::uint32_t kRpcOk = 0;  // also the Win32 success
inline constexpr std::uint32_t kRpcInvalidStringBinding = 1700;
inline constexpr std::uint32_t kRpcInvalidBinding = 1702;
inline constexpr std::uint32_t kRpcProtseqNotSupported = 1703;
inline constexpr std::uint32_t kRpcInvalidRpcProtseq = 1704;
inline constexpr std::uint32_t kRpcInvalidStringUuid = 1705;
inline constexpr std::uint32_t kRpcInvalidEndpointFormat = 1706;
inline constexpr std::uint32_t kRpcInvalidNetAddr = 1707;
inline constexpr std::uint32_t kRpcUnknownIf = 1717;
// An agent, or a host's service manager, that cannot be reached.
inline constexpr std::uint32_t kRpcServerUnavailable = 1722;
inline constexpr std::uint32_t kRpcServerTooBusy = 1723;  // the agent: too many snappers running
inline constexpr std::uint32_t kRpcCallFailed = 1726;
inline constexpr std::uint32_t kRpcCallFailedDne = 1727;
inline constexpr std::uint32_t kRpcProtocolError = 1728;
inline constexpr std::uint32_t kRpcUnsupportedTransSyn = 1730;
inline constexpr std::uint32_t kRpcUnsupportedType = 1732;
inline constexpr std::uint32_t kRpcInvalidTag = 1733;
inline constexpr std::uint32_t kRpcInvalidBound = 1734;
inline constexpr std::uint32_t kRpcProcnumOutOfRange = 1745;
inline constexpr std::uint32_t kRpcUnknownAuthnService = 1747;
inline constexpr std::uint32_t kRpcUnknownAuthnLevel = 1748;
inline constexpr std::uint32_t kEptNotRegistered = 1753;
inline constexpr std::uint32_t kRpcZeroDivide = 1767;
inline constexpr std::uint32_t kRpcAddressError = 1768;
inline constexpr std::uint32_t kRpcFpDivZero = 1769;
inline constexpr std::uint32_t kRpcFpUnderflow = 1770;
inline constexpr std::uint32_t kRpcFpOverflow = 1771;
inline constexpr std::uint32_t kRpcBadStubData = 1783;  // also the fault a server sends for a stub it cannot read
inline constexpr std::uint32_t kRpcCallCancelled = 1818;
inline constexpr std::uint32_t kRpcUnsupportedAuthnLevel = 1821;

}  // namespace platform
