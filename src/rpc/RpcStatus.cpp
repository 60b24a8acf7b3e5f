// Fault translation and status texts.
#include "rpc/RpcStatus.h"

#include <algorithm>
#include <array>
#include <utility>

namespace rpc {

RpcStatus StatusFromFault(std::uint32_t faultStatus) {
    static constexpr std::array<std::pair<std::uint32_t, RpcStatus>, 18> kFaults = {{
        {kNcaOpRangeError, kRpcProcnumOutOfRange},
        {kNcaUnknownInterface, kRpcUnknownIf},
        {kNcaProtoError, kRpcProtocolError},
        {kNcaServerTooBusy, kRpcServerTooBusy},
        {kNcaUnsupportedType, kRpcUnsupportedType},
        {0x1C000001, kRpcZeroDivide},
        {0x1C000002, kRpcAddressError},
        {0x1C000003, kRpcFpDivZero},
        {0x1C000004, kRpcFpUnderflow},
        {0x1C000005, kRpcFpOverflow},
        {0x1C000006, kRpcInvalidTag},
        {0x1C000007, kRpcInvalidBound},
        {kNcaFaultCancel, kRpcCallCancelled},
        {kNcaFaultUnspec, kRpcCallFailed},
        {kNcaFaultContextMismatch, kErrorInvalidHandle},
        {kNcaFaultRemoteNoMemory, kErrorOutOfMemory},
        {kNcaInvalidPresContextId, kRpcUnknownIf},
        {kNcaUnsupportedAuthnLevel, kRpcUnsupportedAuthnLevel},
    }};
    for (const auto& [nca, status] : kFaults)
        if (nca == faultStatus) return status;
    if ((faultStatus & 0xFFFE0000u) == 0x1C000000u) return kRpcCallFailed;  // other NCA codes
    return faultStatus;
}

std::optional<std::string_view> StatusText(RpcStatus status) {
    static constexpr std::array<std::pair<RpcStatus, std::string_view>, 36> kTexts = {{
        {kErrorAccessDenied, "Access is denied."},
        {kErrorInvalidHandle, "The handle is invalid."},
        {kErrorGenFailure, "A device attached to the system is not functioning."},
        {kErrorOpenFailed, "The system cannot open the device or file specified."},
        {kErrorOutOfMemory, "Not enough memory resources are available to complete this operation."},
        {kErrorInvalidParameter, "The parameter is incorrect."},
        {kRpcInvalidStringBinding, "The string binding is invalid."},
        {kRpcInvalidBinding, "The binding handle is invalid."},
        {kRpcProtseqNotSupported, "The RPC protocol sequence is not supported."},
        {kRpcInvalidRpcProtseq, "The RPC protocol sequence is invalid."},
        {kRpcInvalidEndpointFormat, "The endpoint format is invalid."},
        {kRpcInvalidNetAddr, "The network address is invalid."},
        {kRpcUnknownIf, "The interface is unknown."},
        {kRpcServerUnavailable, "The RPC server is unavailable."},
        {kRpcServerTooBusy, "The RPC server is too busy to complete this operation."},
        {kRpcCallFailed, "The remote procedure call failed."},
        {kRpcCallFailedDne, "The remote procedure call failed and did not execute."},
        {kRpcProtocolError, "A remote procedure call (RPC) protocol error occurred."},
        {kRpcUnsupportedTransSyn, "The transfer syntax is not supported by the RPC server."},
        {kRpcUnsupportedType, "The universal unique identifier (UUID) type is not supported."},
        {kRpcInvalidTag, "The tag is invalid."},
        {kRpcInvalidBound, "The array bounds are invalid."},
        {kRpcProcnumOutOfRange, "The procedure number is out of range."},
        {kRpcUnknownAuthnService, "The authentication service is unknown."},
        {kRpcUnknownAuthnLevel, "The authentication level is unknown."},
        {kEptNotRegistered, "There are no more endpoints available from the endpoint mapper."},
        {kRpcZeroDivide, "The RPC server attempted an integer division by zero."},
        {kRpcAddressError, "An addressing error occurred in the RPC server."},
        {kRpcFpDivZero, "A floating-point operation at the RPC server caused a division by zero."},
        {kRpcFpUnderflow, "A floating-point underflow occurred at the RPC server."},
        {kRpcFpOverflow, "A floating-point overflow occurred at the RPC server."},
        {kRpcBadStubData, "The stub received bad data."},
        {kRpcCallCancelled, "The remote procedure call was cancelled."},
        {kRpcUnsupportedAuthnLevel, "The requested authentication level is not supported."},
        {kErrorTimeout, "This operation returned because the timeout period expired."},
        {8, "Not enough memory resources are available to process this command."},
    }};
    const auto* found =
        std::find_if(kTexts.begin(), kTexts.end(), [status](const auto& entry) { return entry.first == status; });
    if (found == kTexts.end()) return std::nullopt;
    return found->second;
}

}  // namespace rpc
