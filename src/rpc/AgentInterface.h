// Identity of the capture agent's RPC interface, its procedures, and the endpoint mapper's.
#pragma once

#include <cstdint>

#include "rpc/Uuid.h"

namespace rpc {

inline const SyntaxId kAgentInterface{Uuid::FromLiteral("3c2465f0-c2db-11d0-a71b-00a0249eee17"), 1, 0};
inline const SyntaxId kNdrSyntax{Uuid::FromLiteral("8a885d04-1ceb-11c9-9fe8-08002b104860"), 2, 0};
inline const SyntaxId kEpmInterface{Uuid::FromLiteral("e1af8308-5d1f-11c9-91a4-08002b14a0fa"), 3, 0};

enum class AgentOp : std::uint16_t {
    Ping = 0,
    SnapSessionCreate = 1,
    SnapSessionClose = 2,
    SnapSnapperStartA = 3,
    SnapSnapperStopA = 4,
    SnapSnapperQueryA = 5,
    SnapSnapperPeekA = 6,
};
inline constexpr std::uint16_t kAgentOpCount = 7;

inline constexpr std::uint16_t kEptMapOpnum = 3;
inline constexpr std::uint16_t kEpmDefaultPort = 135;

// The manager always starts the snapper with this parameter.
inline constexpr std::int32_t kSnapperStartParam = 60;
// Largest peek result either side accepts; a larger len is bad stub data.
inline constexpr std::uint32_t kMaxPeekBytes = 64u << 20;

}  // namespace rpc
