// Marshalling of the agent procedures' parameters.
#include "rpc/AgentStubs.h"

#include "rpc/Ndr.h"

namespace rpc {

std::vector<std::uint8_t> EncodeStartRequest(std::int32_t param, std::int32_t firstFrame,
                                             std::span<const std::uint8_t> config) {
    NdrWriter w;
    w.U32(static_cast<std::uint32_t>(param));
    w.U32(static_cast<std::uint32_t>(firstFrame));
    w.ConformantBytes(config);
    w.U32(static_cast<std::uint32_t>(config.size()));  // cb, aligned to 4 after the bytes
    return w.Take();
}

core::Result<StartRequest> DecodeStartRequest(std::span<const std::uint8_t> stub, bool bigEndian) {
    NdrReader in(stub, bigEndian);
    StartRequest r;
    r.param = static_cast<std::int32_t>(in.U32());
    r.firstFrame = static_cast<std::int32_t>(in.U32());
    const auto config = in.ConformantBytes(kMaxConfigBytes);
    const std::uint32_t cb = in.U32();
    if (!config || in.Failed()) return BadStub("start request truncated or configuration too large");
    if (cb != config->size()) return BadStub("cb disagrees with the configuration's count");
    r.config.assign(config->begin(), config->end());
    return r;
}

std::vector<std::uint8_t> EncodeSnapperRequest(std::int32_t snapper) {
    NdrWriter w;
    w.U32(static_cast<std::uint32_t>(snapper));
    return w.Take();
}

core::Result<std::int32_t> DecodeSnapperRequest(std::span<const std::uint8_t> stub, bool bigEndian) {
    NdrReader in(stub, bigEndian);
    const auto snapper = static_cast<std::int32_t>(in.U32());
    if (in.Failed()) return BadStub("snapper handle missing");
    return snapper;
}

std::vector<std::uint8_t> EncodeStatusReply(std::uint32_t status) {
    NdrWriter w;
    w.U32(status);
    return w.Take();
}

core::Result<std::uint32_t> DecodeStatusReply(std::span<const std::uint8_t> stub, bool bigEndian) {
    NdrReader in(stub, bigEndian);
    const std::uint32_t status = in.U32();
    if (in.Failed()) return BadStub("status missing");
    return status;
}

std::vector<std::uint8_t> EncodeLongReply(std::int32_t value, std::uint32_t status) {
    NdrWriter w;
    w.U32(static_cast<std::uint32_t>(value));
    w.U32(status);
    return w.Take();
}

core::Result<LongReply> DecodeLongReply(std::span<const std::uint8_t> stub, bool bigEndian) {
    NdrReader in(stub, bigEndian);
    LongReply r;
    r.value = static_cast<std::int32_t>(in.U32());
    r.status = in.U32();
    if (in.Failed()) return BadStub("reply truncated");
    return r;
}

std::vector<std::uint8_t> EncodePeekReply(std::optional<std::span<const std::uint8_t>> data, std::uint32_t status) {
    NdrWriter w;
    w.U32(data ? static_cast<std::uint32_t>(data->size()) : 0);
    w.Referent(data.has_value());
    if (data) w.ConformantBytes(*data);
    w.U32(status);  // aligned to 4 after the bytes
    return w.Take();
}

core::Result<PeekReply> DecodePeekReply(std::span<const std::uint8_t> stub, bool bigEndian, std::uint32_t maxLen) {
    NdrReader in(stub, bigEndian);
    PeekReply r;
    r.len = in.U32();
    const std::uint32_t referent = in.U32();
    if (in.Failed()) return BadStub("peek result truncated");
    if (r.len > maxLen) return BadStub("peek result longer than allowed");
    if (referent != 0) {
        const std::uint32_t count = in.U32();
        if (in.Failed() || count != r.len) return BadStub("peek count disagrees with its length");
        r.dataOffset = in.Offset();
        const auto bytes = in.Bytes(count);
        if (in.Failed()) return BadStub("peek data shorter than its count");
        r.data = bytes;
    }
    r.status = in.U32();
    if (in.Failed()) return BadStub("peek status missing");
    return r;
}

}  // namespace rpc
