// Helpers for the capture tests: batches with recognisable frames, trace files built through
// the writer (in the test's scratch folder), archive round trips, and raw byte surgery.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "capture/BatchPacker.h"
#include "capture/CPktSnap.h"
#include "capture/TraceReader.h"
#include "capture/TraceWriter.h"
#include "core/Archive.h"
#include "core/UserPrompt.h"
#include "support/Files.h"
#include "support/Scratch.h"

namespace testutil {

using Bytes = std::vector<std::uint8_t>;

// Frame n carries n in its bytes and stamps 1 ms apart.
inline capture::CPktSnap MakeBatch(std::uint32_t first, std::uint32_t count, std::int64_t frequency = 1'000'000) {
    capture::CPktSnap batch;
    batch.SetFrequency(frequency);
    for (std::uint32_t n = first; n < first + count; ++n) {
        capture::CPktSnapQue frame;
        frame.SetFrameNumber(n);
        frame.SetCaptureTime(1'700'000'000 + n);
        frame.SetStamp(std::int64_t{n} * frequency / 1000);
        frame.SetLinkProtocol(4);
        const Bytes data(60 + n % 7, static_cast<std::uint8_t>(n));
        frame.SetData(data);
        frame.SetCapturedLength(static_cast<std::uint32_t>(data.size()));
        frame.SetTotalLength(static_cast<std::uint32_t>(data.size()) + 4);
        batch.AddFrame(std::move(frame));
    }
    return batch;
}

inline Bytes Pack(capture::CPktSnap batch) { return capture::PackBatch(batch).Value(); }

// A finished trace file with one block per entry of frameCounts; spoil may edit each block's
// serialised batch (by block index) before it is packed.
inline std::string WriteTrace(const std::string& name, const std::vector<std::uint32_t>& frameCounts,
                              const std::function<void(std::size_t, Bytes&)>& spoil = {}) {
    const auto path = support::TempPath(name);
    auto writer = capture::TraceWriter::Create(path, capture::TraceWriter::Flush::Deferred);
    EXPECT_TRUE(writer.Ok() && writer.Value().WriteHeader().Ok());
    std::uint32_t first = 0;
    for (std::size_t i = 0; i < frameCounts.size(); ++i) {
        auto batch = MakeBatch(first, frameCounts[i]);
        Bytes serialized = capture::SerializeBatch(batch);
        if (spoil) spoil(i, serialized);
        EXPECT_TRUE(writer.Value()
                        .AppendBlock(capture::PackSerialized(serialized, frameCounts[i]).Value(), frameCounts[i])
                        .Ok());
        first += frameCounts[i];
    }
    EXPECT_TRUE(writer.Value().Finish().Ok());
    return path;
}

// A finished trace file at path holding batch as its one block.
inline std::string WriteBlock(const std::string& path, capture::CPktSnap batch) {
    auto writer = capture::TraceWriter::Create(path, capture::TraceWriter::Flush::Deferred);
    EXPECT_TRUE(writer.Ok() && writer.Value().WriteHeader().Ok());
    EXPECT_TRUE(writer.Value().AppendBlock(Pack(batch), batch.GetFrameCount()).Ok());
    EXPECT_TRUE(writer.Value().Finish().Ok());
    return path;
}

// An Ethernet frame of these bytes, all of them captured.
inline capture::CPktSnapQue EthernetFrame(const Bytes& bytes, std::uint32_t wire = 0) {
    capture::CPktSnapQue frame;
    frame.SetLinkProtocol(4);
    frame.SetData(bytes);
    frame.SetCapturedLength(static_cast<std::uint32_t>(bytes.size()));
    frame.SetTotalLength(wire != 0 ? wire : static_cast<std::uint32_t>(bytes.size()));
    return frame;
}

// What a failed call said, empty when it succeeded.
template <class T>
std::string ErrorOf(const core::Result<T>& result) {
    return result ? std::string() : result.Err().text;
}

inline capture::TraceReader OpenValid(const std::string& path) {
    auto reader = capture::TraceReader::Open(path);
    core::RecordingPrompt prompt;
    EXPECT_TRUE(reader.Ok() && reader.Value().Validate(prompt)) << path;
    return std::move(reader).Value();
}

template <class T>
Bytes Store(T& object) {
    Bytes out;
    core::Archive ar(out);
    object.Serialize(ar);
    return out;
}

// Loads object from bytes and returns how many bytes were left unread.
template <class T>
std::size_t Load(T& object, const Bytes& bytes) {
    core::Archive ar{std::span<const std::uint8_t>(bytes)};
    object.Serialize(ar);
    return ar.Remaining();
}

inline std::uint32_t Le32At(const Bytes& b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
           std::uint32_t{b[at + 3]} << 24;
}

inline void PutLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Little-endian 32-bit words, as the archive stores them.
inline Bytes Words(std::initializer_list<std::uint32_t> words) {
    Bytes out;
    for (const auto w : words)
        for (std::size_t i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
    return out;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace testutil
