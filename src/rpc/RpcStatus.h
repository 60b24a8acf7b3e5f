// What a Windows RPC client reports: a status code (platform/ErrorCodes.h), the translation
// of a fault PDU's NCA status, and the system's text for each status this runtime produces.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/ErrorCodes.h"

namespace rpc {

using RpcStatus = std::uint32_t;

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
// The status an endpoint mapper's ept_map reply carries when it knows no such interface.
inline constexpr std::uint32_t kEptNotRegisteredNca = 0x16C9A0D6;  // ept_s_not_registered

// The status a caller sees for a fault PDU's status: NCA codes are translated, anything
// else (a Win32 code such as 5 or 1783 sent by the server) passes through.
RpcStatus StatusFromFault(std::uint32_t faultStatus);

// The system's message text for a status, when it has one.
std::optional<std::string_view> StatusText(RpcStatus status);

}  // namespace rpc
