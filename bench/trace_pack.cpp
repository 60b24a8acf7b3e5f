// Block compression for import and the stand-in agent: libdeflate's zlib compressor
// against zlib's compress2 on the same ~1 MB serialised batch, at a fast and the default
// level; the ratio is reported as a counter.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <vector>

#include "capture/BatchPacker.h"
#include "capture/CPktSnap.h"

namespace {

// A mix of frame shapes: headers that repeat, payloads that vary.
std::vector<std::uint8_t> SampleBatch() {
    capture::CPktSnap batch;
    batch.SetFrequency(1'000'000);
    std::uint32_t seed = 7;
    for (std::uint32_t i = 0; i < 2600; ++i) {
        std::vector<std::uint8_t> data(60 + (i * 37) % 700);
        for (std::size_t j = 0; j < data.size(); ++j) {
            seed = seed * 1103515245 + 12345;
            data[j] =
                j < 54 ? static_cast<std::uint8_t>(j * 3 + i % 4) : static_cast<std::uint8_t>((seed >> 16) % 40 + 'a');
        }
        capture::CPktSnapQue frame;
        frame.SetFrameNumber(i);
        frame.SetStamp(1'700'000'000'000'000 + i * 137);
        frame.SetData(data);
        batch.AddFrame(std::move(frame));
    }
    return capture::SerializeBatch(batch);
}

void BM_PackLibdeflate(benchmark::State& state) {
    const auto plain = SampleBatch();
    std::size_t packed = 0;
    for (auto _ : state) {
        auto out = capture::PackSerialized(plain, 2600, static_cast<int>(state.range(0)));
        if (!out) std::abort();
        packed = out.Value().size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * plain.size()));
    state.counters["ratio"] = static_cast<double>(plain.size()) / static_cast<double>(packed);
}
BENCHMARK(BM_PackLibdeflate)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond);

void BM_PackZlibCompress2(benchmark::State& state) {
    const auto plain = SampleBatch();
    std::vector<std::uint8_t> out(compressBound(plain.size()));
    uLongf packed = 0;
    for (auto _ : state) {
        packed = out.size();
        if (compress2(out.data(), &packed, plain.data(), plain.size(), static_cast<int>(state.range(0))) != Z_OK)
            std::abort();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * plain.size()));
    state.counters["ratio"] = static_cast<double>(plain.size()) / static_cast<double>(packed);
}
BENCHMARK(BM_PackZlibCompress2)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
