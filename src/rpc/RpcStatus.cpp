// Fault translation and status texts.
#include "rpc/RpcStatus.h"

#include <algorithm>
#include <array>
#include <utility>

namespace rpc {

RpcStatus StatusFromFault(std::uint32_t faultStatus) {
    static constexpr std::array<std::pair<std::uint32_t, RpcStatus>, 18> kFaults = {{
        {kNcaOpRangeError, platform::kRpcProcnumOutOfRange},
        {kNcaUnknownInterface, platform::kRpcUnknownIf},
        {kNcaProtoError, platform::kRpcProtocolError},
        {kNcaServerTooBusy, platform::kRpcServerTooBusy},
        {kNcaUnsupportedType, platform::kRpcUnsupportedType},
        {0x1C000001, platform::kRpcZeroDivide},
        {0x1C000002, platform::kRpcAddressError},
        {0x1C000003, platform::kRpcFpDivZero},
        {0x1C000004, platform::kRpcFpUnderflow},
        {0x1C000005, platform::kRpcFpOverflow},
        {0x1C000006, platform::kRpcInvalidTag},
        {0x1C000007, platform::kRpcInvalidBound},
        {kNcaFaultCancel, platform::kRpcCallCancelled},
        {kNcaFaultUnspec, platform::kRpcCallFailed},
        {kNcaFaultContextMismatch, platform::kErrorInvalidHandle},
        {kNcaFaultRemoteNoMemory, platform::kErrorOutOfMemory},
        {kNcaInvalidPresContextId, platform::kRpcUnknownIf},
        {kNcaUnsupportedAuthnLevel, platform::kRpcUnsupportedAuthnLevel},
    }};
    for (const auto& [nca, status] : kFaults)
        if (nca == faultStatus) return status;
    if ((faultStatus & 0xFFFE0000u) == 0x1C000000u) return platform::kRpcCallFailed;  // other NCA codes
    return faultStatus;
}

std::optional<std::string_view> StatusText(RpcStatus status) {
    static constexpr std::array<std::pair<RpcStatus, std::string_view>, 36> kTexts = {{
        {platform::kErrorAccessDenied, "Access is denied."},
        {platform::kErrorInvalidHandle, "The handle is invalid."},
        {platform::kErrorGenFailure, "A device attached to the system is not functioning."},
        {platform::kErrorOpenFailed, "The system cannot open the device or file specified."},
        {platform::kErrorOutOfMemory, "Not enough memory resources are available to complete this operation."},
        {platform::kErrorInvalidParameter, "The parameter is incorrect."},
        {platform::kRpcInvalidStringBinding, "The string binding is invalid."},
        {platform::kRpcInvalidBinding, "The binding handle is invalid."},
        {platform::kRpcProtseqNotSupported, "The RPC protocol sequence is not supported."},
        {platform::kRpcInvalidRpcProtseq, "The RPC protocol sequence is invalid."},
        {platform::kRpcInvalidEndpointFormat, "The endpoint format is invalid."},
        {platform::kRpcInvalidNetAddr, "The network address is invalid."},
        {platform::kRpcUnknownIf, "The interface is unknown."},
        {platform::kRpcServerUnavailable, "The RPC server is unavailable."},
        {platform::kRpcServerTooBusy, "The RPC server is too busy to complete this operation."},
        {platform::kRpcCallFailed, "The remote procedure call failed."},
        {platform::kRpcCallFailedDne, "The remote procedure call failed and did not execute."},
        {platform::kRpcProtocolError, "A remote procedure call (RPC) protocol error occurred."},
        {platform::kRpcUnsupportedTransSyn, "The transfer syntax is not supported by the RPC server."},
        {platform::kRpcUnsupportedType, "The universal unique identifier (UUID) type is not supported."},
        {platform::kRpcInvalidTag, "The tag is invalid."},
        {platform::kRpcInvalidBound, "The array bounds are invalid."},
        {platform::kRpcProcnumOutOfRange, "The procedure number is out of range."},
        {platform::kRpcUnknownAuthnService, "The authentication service is unknown."},
        {platform::kRpcUnknownAuthnLevel, "The authentication level is unknown."},
        {platform::kEptNotRegistered, "There are no more endpoints available from the endpoint mapper."},
        {platform::kRpcZeroDivide, "The RPC server attempted an integer division by zero."},
        {platform::kRpcAddressError, "An addressing error occurred in the RPC server."},
        {platform::kRpcFpDivZero, "A floating-point operation at the RPC server caused a division by zero."},
        {platform::kRpcFpUnderflow, "A floating-point underflow occurred at the RPC server."},
        {platform::kRpcFpOverflow, "A floating-point overflow occurred at the RPC server."},
        {platform::kRpcBadStubData, "The stub received bad data."},
        {platform::kRpcCallCancelled, "The remote procedure call was cancelled."},
        {platform::kRpcUnsupportedAuthnLevel, "The requested authentication level is not supported."},
        {platform::kErrorTimeout, "This operation returned because the timeout period expired."},
        {8, "Not enough memory resources are available to process this command."},
    }};
    const auto* found =
        std::find_if(kTexts.begin(), kTexts.end(), [status](const auto& entry) { return entry.first == status; });
    if (found == kTexts.end()) return std::nullopt;
    return found->second;
}

}  // namespace rpc
