#include "ecevents/binlist/ecBinList.h"

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

namespace {

// n bins in groups of ten namesakes, so Validate renames nine of every ten.
ecBinList ListWithNamesakes(int n)
{
    ecBinList list;
    ecEventRelatedEpoch epoch;
    list.AddOneEpoch(epoch);
    for (int i = 0; i < n; ++i) {
        ecBinDescription bin;
        bin.SetBinName("Bin" + std::to_string(i / 10));
        bin.SetEpochName(epoch.sID);
        bin.AddOneName(std::to_string(i));
        list.vBinList.push_back(bin);
    }
    return list;
}

void BM_ValidateRenames(benchmark::State& state)
{
    const ecBinList source = ListWithNamesakes(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        ecBinList list = source;
        state.ResumeTiming();
        benchmark::DoNotOptimize(list.Validate());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ValidateRenames)->RangeMultiplier(10)->Range(100, 10000)->Complexity();

void BM_WriteBinResults(benchmark::State& state)
{
    ecBinList list = ListWithNamesakes(static_cast<int>(state.range(0)));
    list.Validate();
    for (auto _ : state) {
        std::ostringstream out;
        list.WriteXmlBinResults(out);
        benchmark::DoNotOptimize(out.str().size());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WriteBinResults)->RangeMultiplier(10)->Range(100, 10000)->Complexity();

} // namespace
