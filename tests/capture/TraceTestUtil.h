// Helpers for the trace-file tests: batches with recognisable frames, trace files built
// through the writer, and raw byte surgery on them.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "capture/BatchPacker.h"
#include "capture/CPktSnap.h"
#include "capture/TraceWriter.h"

namespace testutil {

using Bytes = std::vector<std::uint8_t>;

inline std::string TempPath(const std::string& name) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto dir = std::filesystem::path(::testing::TempDir()) / "palomet-capture-tests";
    std::filesystem::create_directories(dir);
    return (dir / (std::string(info->test_suite_name()) + "." + info->name() + "." + name)).string();
}

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
        Bytes data(60 + n % 7, static_cast<std::uint8_t>(n));
        frame.SetData(data);
        frame.SetCapturedLength(static_cast<std::uint32_t>(data.size()));
        frame.SetTotalLength(static_cast<std::uint32_t>(data.size()) + 4);
        batch.AddFrame(std::move(frame));
    }
    return batch;
}

inline Bytes Pack(capture::CPktSnap batch) {
    auto packed = capture::PackBatch(batch);
    EXPECT_TRUE(packed.Ok());
    return packed.Value();
}

// A trace file with one block per entry of frameCounts; finished unless told otherwise.
inline std::string WriteTrace(const std::string& name, const std::vector<std::uint32_t>& frameCounts, bool finish = true) {
    const auto path = TempPath(name);
    auto writer = capture::TraceWriter::Create(path, capture::TraceWriter::Flush::Deferred);
    EXPECT_TRUE(writer.Ok());
    EXPECT_TRUE(writer.Value().WriteHeader().Ok());
    std::uint32_t first = 0;
    for (const auto k : frameCounts) {
        EXPECT_TRUE(writer.Value().AppendBlock(Pack(MakeBatch(first, k)), k).Ok());
        first += k;
    }
    if (finish) { EXPECT_TRUE(writer.Value().Finish().Ok()); }
    return path;
}

inline Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const Bytes& bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
}

inline std::uint32_t Le32At(const Bytes& b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
           std::uint32_t{b[at + 3]} << 24;
}

inline void PutLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace testutil
