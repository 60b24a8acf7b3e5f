// Composing and parsing string bindings.
#include "rpc/StringBinding.h"

#include "rpc/Uuid.h"

namespace rpc {
namespace {

bool HasReserved(std::string_view part) { return part.find_first_of("@:[],") != std::string_view::npos; }

}  // namespace

RpcStatus ComposeStringBinding(const StringBinding& parts, std::string& out) {
    if (parts.protocolSequence.empty() || HasReserved(parts.protocolSequence) || HasReserved(parts.networkAddress) ||
        parts.endpoint.find_first_of("[],") != std::string::npos)
        return platform::kRpcInvalidStringBinding;
    if (!parts.objectUuid.empty() && !Uuid::Parse(parts.objectUuid)) return platform::kRpcInvalidStringUuid;
    out.clear();
    if (!parts.objectUuid.empty()) out += parts.objectUuid + '@';
    out += parts.protocolSequence + ':' + parts.networkAddress;
    if (!parts.endpoint.empty() || !parts.options.empty()) {
        out += '[' + parts.endpoint;
        if (!parts.options.empty()) out += ',' + parts.options;
        out += ']';
    }
    return platform::kRpcOk;
}

RpcStatus ParseStringBinding(std::string_view text, StringBinding& out) {
    StringBinding parts;
    if (const auto at = text.find('@'); at != std::string_view::npos) {
        parts.objectUuid = std::string(text.substr(0, at));
        if (!Uuid::Parse(parts.objectUuid)) return platform::kRpcInvalidStringUuid;
        text.remove_prefix(at + 1);
    }
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0) return platform::kRpcInvalidStringBinding;
    parts.protocolSequence = std::string(text.substr(0, colon));
    text.remove_prefix(colon + 1);
    if (const auto open = text.find('['); open != std::string_view::npos) {
        if (text.back() != ']') return platform::kRpcInvalidStringBinding;
        std::string_view inside = text.substr(open + 1, text.size() - open - 2);
        text = text.substr(0, open);
        const auto comma = inside.find(',');
        parts.endpoint = std::string(inside.substr(0, comma));
        if (comma != std::string_view::npos) parts.options = std::string(inside.substr(comma + 1));
        if (inside.find_first_of("[]") != std::string_view::npos) return platform::kRpcInvalidStringBinding;
    }
    if (HasReserved(text)) return platform::kRpcInvalidStringBinding;
    parts.networkAddress = std::string(text);
    out = std::move(parts);
    return platform::kRpcOk;
}

}  // namespace rpc
