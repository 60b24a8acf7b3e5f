// Shared pieces of the agent tests: frames made byte by byte, a frame source fed from a
// list, the capture configuration and stubs a manager sends, and a peek reply unpacked.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "agentd/AgentService.h"
#include "capture/CPktSnap.h"
#include "capture/Inflate.h"
#include "core/Archive.h"
#include "core/ByteReader.h"
#include "rpc/AgentInterface.h"
#include "rpc/Pdu.h"

namespace agentd::test {

using Bytes = std::vector<std::uint8_t>;

// Ethernet II (optionally one VLAN tag), then IPv4 with the given protocol and, for TCP and
// UDP, the two ports; padded with payload bytes.
inline Bytes MakeFrame(std::uint8_t ipProtocol, std::uint16_t sport, std::uint16_t dport, bool vlan = false,
                       std::uint16_t fragmentOffset = 0, std::size_t payload = 16) {
    Bytes f = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    if (vlan) f.insert(f.end(), {0x81, 0x00, 0x00, 0x07});
    const std::size_t l4 = ipProtocol == 6 ? 20 : 8;
    const std::size_t total = 20 + l4 + payload;
    auto hi = [](std::size_t v) { return static_cast<std::uint8_t>(v >> 8); };
    auto lo = [](std::size_t v) { return static_cast<std::uint8_t>(v); };
    f.insert(f.end(), {0x08,
                       0x00,
                       0x45,
                       0,
                       hi(total),
                       lo(total),
                       0,
                       1,
                       hi(fragmentOffset),
                       lo(fragmentOffset),
                       64,
                       ipProtocol,
                       0,
                       0,
                       10,
                       0,
                       0,
                       1,
                       10,
                       0,
                       0,
                       2,
                       hi(sport),
                       lo(sport),
                       hi(dport),
                       lo(dport)});
    f.resize(f.size() + l4 - 4 + payload, 0xAB);
    return f;
}

// A TCP segment between two IPv4 addresses (host order), as MakeFrame makes it.
inline Bytes MakeTcpSegment(std::uint32_t from, std::uint16_t sport, std::uint32_t to, std::uint16_t dport) {
    Bytes f = MakeFrame(6, sport, dport);
    for (std::size_t b = 0; b < 4; ++b) {
        f[26 + b] = static_cast<std::uint8_t>(from >> (24 - 8 * b));
        f[30 + b] = static_cast<std::uint8_t>(to >> (24 - 8 * b));
    }
    return f;
}

inline Bytes MakeArp() {
    Bytes f = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 6, 7, 8, 9, 10, 11, 0x08, 0x06};
    f.resize(42, 0);
    return f;
}

// UDP frames whose source ports count up from 1000.
inline std::vector<Bytes> NumberedFrames(std::size_t count, std::size_t payload = 16) {
    std::vector<Bytes> frames;
    for (std::size_t i = 0; i < count; ++i)
        frames.push_back(MakeFrame(17, static_cast<std::uint16_t>(1000 + i), 9, false, 0, payload));
    return frames;
}

// Hands out a fixed list of frames; each stamp is its index plus one, in microseconds. A
// lossy source stands for a live interface.
class ListSource final : public FrameSource {
public:
    ListSource(std::vector<Bytes> frames, bool lossless) : m_frames(std::move(frames)), m_lossless(lossless) {}
    Outcome Next(SourceFrame& frame) override {
        if (m_next >= m_frames.size()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return Outcome::End;
        }
        frame.seconds = 1'700'000'000;
        frame.stamp = static_cast<std::int64_t>(++m_next);
        frame.bytes = m_frames[m_next - 1];
        frame.wireLength = static_cast<std::uint32_t>(frame.bytes.size() + 4);
        return Outcome::Frame;
    }
    std::int64_t Frequency() const noexcept override { return 1'000'000; }
    bool Lossless() const noexcept override { return m_lossless; }

private:
    std::vector<Bytes> m_frames;
    bool m_lossless;
    std::size_t m_next = 0;
};

// A live interface that never runs dry: 1000-byte UDP frames as fast as they are taken (or, as
// a file would, as fast as the queue has room).
class EndlessSource final : public FrameSource {
public:
    static constexpr std::size_t kRecordBytes = 36 + 1000;  // as a snapper queues each
    explicit EndlessSource(bool lossless = false) : m_lossless(lossless) {}
    Outcome Next(SourceFrame& frame) override {
        frame.seconds = 1'700'000'000;
        frame.stamp = ++m_count;
        frame.bytes = m_frame;
        frame.wireLength = static_cast<std::uint32_t>(m_frame.size());
        return Outcome::Frame;
    }
    std::int64_t Frequency() const noexcept override { return 1'000'000; }
    bool Lossless() const noexcept override { return m_lossless; }

private:
    bool m_lossless;
    Bytes m_frame = MakeFrame(17, 1000, 9, false, 0, 1000 - 42);
    std::int64_t m_count = 0;
};

// An agent whose every snapper replays `frames` numbered UDP frames, losslessly.
inline AgentConfig ListConfig(std::size_t frames, std::size_t payload = 16) {
    AgentConfig config;
    config.sources = [frames, payload](const capture::CPktSnapConf&) -> core::Result<std::unique_ptr<FrameSource>> {
        return std::unique_ptr<FrameSource>(std::make_unique<ListSource>(NumberedFrames(frames, payload), true));
    };
    return config;
}

inline Bytes Serialise(capture::CPktSnapConf conf) {
    Bytes out;
    core::Archive ar(out);
    conf.Serialize(ar);
    return out;
}

inline Bytes Le32(std::initializer_list<std::uint32_t> words) {
    Bytes out;
    for (auto w : words)
        for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(w >> (8 * b)));
    return out;
}

inline std::uint32_t Word(const Bytes& b, std::size_t at) {
    return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) | (static_cast<std::uint32_t>(b.at(at + 3)) << 24);
}

inline rpc::BindBody AgentBind(std::uint16_t maxRecvFrag = 4280, std::uint16_t maxXmitFrag = 4280,
                               const rpc::SyntaxId& interface = rpc::kAgentInterface) {
    rpc::BindBody bind;
    bind.maxXmitFrag = maxXmitFrag;
    bind.maxRecvFrag = maxRecvFrag;
    bind.contexts.push_back({0, interface, {rpc::kNdrSyntax}});
    return bind;
}

inline Bytes Request(std::uint32_t callId, std::uint16_t opnum, const Bytes& stub, std::uint16_t context = 0) {
    rpc::RequestBody body;
    body.allocHint = static_cast<std::uint32_t>(stub.size());
    body.contextId = context;
    body.opnum = opnum;
    body.stub = stub;
    return rpc::EncodeRequest(callId, rpc::kFlagFirst | rpc::kFlagLast, body);
}

// The SnapSnapperStartA stub: param, first frame, configuration array, padding, cb.
inline Bytes StartStub(std::uint32_t firstFrame, const Bytes& conf) {
    Bytes stub = Le32({60, firstFrame, static_cast<std::uint32_t>(conf.size())});
    stub.insert(stub.end(), conf.begin(), conf.end());
    while (stub.size() % 4 != 0) stub.push_back(0xEE);  // pad bytes may hold anything
    const Bytes cb = Le32({static_cast<std::uint32_t>(conf.size())});
    stub.insert(stub.end(), cb.begin(), cb.end());
    return stub;
}

// The batch in the result a SnapSnapperPeekA hands over: frame count k, inflated size u and
// the zlib stream.
inline capture::CPktSnap PeekedBatch(std::span<const std::uint8_t> peekResult) {
    core::ByteReader result(peekResult);
    const std::uint32_t k = result.Le32();
    const std::uint32_t u = result.Le32();
    EXPECT_FALSE(result.Failed());
    Bytes inflated;
    EXPECT_TRUE(capture::InflateExact(result.Rest(), u, inflated).Ok());
    capture::CPktSnap batch;
    batch.RemoveAllFrames();
    core::Archive ar{std::span<const std::uint8_t>(inflated)};
    batch.Serialize(ar);
    EXPECT_EQ(batch.GetFrameCount(), k);
    EXPECT_EQ(ar.Remaining(), 0U);
    return batch;
}

}  // namespace agentd::test
