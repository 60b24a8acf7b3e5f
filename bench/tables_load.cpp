// Reference tables: loading all five shipped files (what every capture window does), the
// vendor list alone from memory, and the two list lookups that run for every summary row.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "decode/CPktParsersConf.h"
#include "tables/TableFile.h"
#include "tables/TableLoader.h"

namespace {

void BM_LoadAllTables(benchmark::State& state) {
    for (auto _ : state) {
        auto conf = decode::CPktParsersConf::FromTableFiles();
        benchmark::DoNotOptimize(conf.GetEtherNums().Vendors().size());
    }
}
BENCHMARK(BM_LoadAllTables)->Unit(benchmark::kMillisecond);

void BM_ParseVendorText(benchmark::State& state) {
    const auto file = tables::TableFile::Open(tables::kEtherVendorsFile);
    if (!file) {
        state.SkipWithError("ethernet-vendors not found");
        return;
    }
    for (auto _ : state) {
        tables::CPktEtherNums table(tables::TableSource::Empty);
        benchmark::DoNotOptimize(tables::TableLoader::EtherVendors(file->text, table));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(file->text.size()));
}
BENCHMARK(BM_ParseVendorText)->Unit(benchmark::kMillisecond);

// Prefixes drawn from the table itself and, every other one, a prefix that is not there.
void BM_VendorLookup(benchmark::State& state) {
    const tables::CPktEtherNums table(tables::TableSource::Files);
    std::vector<std::uint32_t> keys;
    for (std::size_t i = 0; i < table.Vendors().size(); i += 7) {
        const auto& v = table.Vendors()[i];
        keys.push_back((std::uint32_t{v.prefix[0]} << 16) | (std::uint32_t{v.prefix[1]} << 8) | v.prefix[2]);
        keys.push_back(0xFE0000U | static_cast<std::uint32_t>(i & 0xFFFF));
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const std::uint32_t k = keys[i++ % keys.size()];
        benchmark::DoNotOptimize(table.FindVendor(static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 8),
                                                  static_cast<std::uint8_t>(k)));
    }
}
BENCHMARK(BM_VendorLookup);

void BM_TypeLookup(benchmark::State& state) {
    const tables::CPktEtherNums table(tables::TableSource::Files);
    std::uint32_t t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.FindTypeName(static_cast<std::uint16_t>(t)));
        t += 0x0101;
    }
}
BENCHMARK(BM_TypeLookup);

}  // namespace
BENCHMARK_MAIN();
