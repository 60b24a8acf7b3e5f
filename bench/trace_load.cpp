// Trace-file hot paths: loading one ~1 MB block (inflate + batch load, copied or kept as
// inflated) against inflate alone, and finding the block of a frame in a 1,000,000-frame
// file of 1,000 blocks from either end. Data is generated once into build/bench-data/ and reused.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchData.h"
#include "capture/BatchPacker.h"
#include "capture/PcapImport.h"
#include "capture/TraceReader.h"
#include "capture/TraceWriter.h"

namespace {

namespace fs = std::filesystem;
using capture::TraceReader;

using bench::DataDir;

// About 1 MB of inflated batch per block: the office mix's frames average some 400 bytes.
const std::string& LanTrace() {
    static const std::string path = [] {
        const fs::path tns = DataDir() / "office-1mb-blocks.tns";
        if (fs::exists(tns)) return tns.string();
        const std::string pcap = bench::OfficeCapture(20000, 11);
        capture::PcapImportOptions options;
        options.blockFrames = 2600;
        if (!capture::ImportPcap(pcap, tns.string(), options)) std::abort();
        return tns.string();
    }();
    return path;
}

// 1,000 blocks of 1,000 small frames; navigation never looks inside them.
const std::string& MillionFrameTrace() {
    static const std::string path = [] {
        const fs::path tns = DataDir() / "goto-1m.tns";
        if (fs::exists(tns)) return tns.string();
        auto writer = capture::TraceWriter::Create(tns.string(), capture::TraceWriter::Flush::Deferred);
        if (!writer || !writer.Value().WriteHeader()) std::abort();
        const std::vector<std::uint8_t> data(64, 0x5A);
        for (std::uint32_t b = 0; b < 1000; ++b) {
            capture::CPktSnap batch;
            batch.SetFrequency(1'000'000);
            for (std::uint32_t i = 0; i < 1000; ++i) {
                capture::CPktSnapQue frame;
                frame.SetFrameNumber(b * 1000 + i);
                frame.SetStamp(std::int64_t{b} * 1000 + i);
                frame.SetData(data);
                batch.AddFrame(std::move(frame));
            }
            auto packed = capture::PackBatch(batch);
            if (!packed || !writer.Value().AppendBlock(packed.Value(), 1000)) std::abort();
        }
        if (!writer.Value().Finish()) std::abort();
        return tns.string();
    }();
    return path;
}

capture::RawBlock MiddleBlock() {
    auto reader = TraceReader::Open(LanTrace());
    core::RecordingPrompt prompt;
    if (!reader || !reader.Value().Validate(prompt)) std::abort();
    capture::CPktSnap batch;
    (void)reader.Value().Go(TraceReader::Move::Next, batch);
    auto raw = reader.Value().Fetch(TraceReader::Move::Next);
    if (!raw || !raw.Value()) std::abort();
    return *raw.Value();
}

void BM_LoadBlock(benchmark::State& state) {
    const auto raw = MiddleBlock();
    std::vector<std::uint8_t> inflated;
    capture::CPktSnap batch;
    for (auto _ : state) {
        if (!TraceReader::Inflate(raw, inflated) || !TraceReader::LoadBatch(raw, inflated, batch)) std::abort();
        benchmark::DoNotOptimize(batch.GetFrameCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * raw.inflatedSize);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * batch.GetFrameCount());
    state.counters["block_kb"] = raw.inflatedSize / 1024.0;
}
BENCHMARK(BM_LoadBlock)->Unit(benchmark::kMicrosecond);

// What list and the workbench do: inflate into fresh bytes and let the batch keep them.
void BM_LoadBlockAdopting(benchmark::State& state) {
    const auto raw = MiddleBlock();
    capture::CPktSnap batch;
    for (auto _ : state) {
        std::vector<std::uint8_t> inflated;
        if (!TraceReader::Inflate(raw, inflated) || !TraceReader::LoadBatch(raw, std::move(inflated), batch))
            std::abort();
        benchmark::DoNotOptimize(batch.GetFrameCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * raw.inflatedSize);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * batch.GetFrameCount());
}
BENCHMARK(BM_LoadBlockAdopting)->Unit(benchmark::kMicrosecond);

void BM_InflateOnly(benchmark::State& state) {
    const auto raw = MiddleBlock();
    std::vector<std::uint8_t> inflated;
    for (auto _ : state) {
        if (!TraceReader::Inflate(raw, inflated)) std::abort();
        benchmark::DoNotOptimize(inflated.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * raw.inflatedSize);
}
BENCHMARK(BM_InflateOnly)->Unit(benchmark::kMicrosecond);

// For comparison only: zlib's one-call decompression of the same block.
void BM_InflateZlibUncompress(benchmark::State& state) {
    const auto raw = MiddleBlock();
    std::vector<std::uint8_t> inflated(raw.inflatedSize);
    for (auto _ : state) {
        uLongf size = raw.inflatedSize;
        if (uncompress(inflated.data(), &size, raw.compressed.data(), raw.compressed.size()) != Z_OK) std::abort();
        benchmark::DoNotOptimize(inflated.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * raw.inflatedSize);
}
BENCHMARK(BM_InflateZlibUncompress)->Unit(benchmark::kMicrosecond);

// Worst cases: the last frame searched from the start walks every lead record; frame 0
// searched from the end walks every trail record. Fetch only, then the full move with load.
void BM_FindLastFrameFromStart(benchmark::State& state) {
    auto reader = TraceReader::Open(MillionFrameTrace());
    for (auto _ : state) {
        auto raw = reader.Value().FetchFrameFromStart(999'999);
        if (!raw || raw.Value().screen != 1000) std::abort();
    }
}
BENCHMARK(BM_FindLastFrameFromStart)->Unit(benchmark::kMicrosecond);

void BM_FindFirstFrameFromEnd(benchmark::State& state) {
    auto reader = TraceReader::Open(MillionFrameTrace());
    core::RecordingPrompt prompt;
    if (!reader.Value().Validate(prompt)) std::abort();
    for (auto _ : state) {
        auto raw = reader.Value().FetchFrameFromEnd(0);
        if (!raw || raw.Value().screen != 1) std::abort();
    }
}
BENCHMARK(BM_FindFirstFrameFromEnd)->Unit(benchmark::kMicrosecond);

// The whole move, block load included. Frame 999,999 with the current frame on it searches
// from the start; frame 1 with the current frame 0 searches from the end; both walk all blocks.
void BM_GoToFrameWorstCase(benchmark::State& state) {
    auto reader = TraceReader::Open(MillionFrameTrace());
    core::RecordingPrompt prompt;
    if (!reader.Value().Validate(prompt)) std::abort();
    capture::CPktSnap batch;
    const bool fromStart = state.range(0) == 1;
    const std::uint32_t n = fromStart ? 999'999 : 1;
    const std::uint32_t current = fromStart ? 999'999 : 0;
    for (auto _ : state) {
        if (!reader.Value().GoToFrame(n, current, batch)) std::abort();
    }
    state.SetLabel(fromStart ? "from start" : "from end");
}
BENCHMARK(BM_GoToFrameWorstCase)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
