// Peek replies: the NDR around a packed batch, written in place.
#include "PeekReply.h"

#include "capture/BatchPacker.h"
#include "platform/ErrorCodes.h"

namespace agentd {

namespace {

constexpr std::size_t kPeekHead = 12;     // len, referent, conformant count
constexpr std::size_t kPeekTail = 3 + 4;  // padding to 4, status

void PutLe32(std::span<std::uint8_t> out, std::size_t at, std::uint32_t v) {
    for (std::size_t b = 0; b < 4; ++b) out[at + b] = static_cast<std::uint8_t>(v >> (8 * b));
}

// Packs into `out` (PeekReplyBound bytes) and returns the reply's size.
core::Result<std::size_t> PackInPlace(std::span<const std::uint8_t> serialized, std::uint32_t frames, int level,
                                      std::span<std::uint8_t> out) {
    const auto packed =
        capture::PackInto(serialized, frames, out.subspan(kPeekHead, out.size() - kPeekHead - kPeekTail), level);
    if (!packed) return packed.Err();
    const auto len = static_cast<std::uint32_t>(packed.Value());
    PutLe32(out, 0, len);
    PutLe32(out, 4, 0x00020000);  // the referent of the data pointer
    PutLe32(out, 8, len);
    std::size_t end = kPeekHead + len;
    while (end % 4 != 0) out[end++] = 0;
    PutLe32(out, end, platform::kRpcOk);
    return end + 4;
}

}  // namespace

std::size_t PeekReplyBound(std::size_t serializedSize, int level) {
    return kPeekHead + capture::PackBound(serializedSize, level) + kPeekTail;
}

core::Result<SharedStub> PackPeekReply(std::span<const std::uint8_t> serialized, std::uint32_t frames, int level) {
    auto reply = std::make_shared<StubBytes>(PeekReplyBound(serialized.size(), level));
    const auto size = PackInPlace(serialized, frames, level, reply->Writable());
    if (!size) return size.Err();
    reply->SetSize(size.Value());
    reply->ShrinkToFit();
    return SharedStub(std::move(reply));
}

core::Status PackPeekReplyInto(std::span<const std::uint8_t> serialized, std::uint32_t frames, int level,
                               StubBytes& reply) {
    if (reply.Allocated() < PeekReplyBound(serialized.size(), level))
        return core::Fail(core::ErrorKind::Io, "no room for the peek reply");
    const auto size = PackInPlace(serialized, frames, level, reply.Writable());
    if (!size) return size.Err();
    reply.SetSize(size.Value());
    return core::Success();
}

}  // namespace agentd
