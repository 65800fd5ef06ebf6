// Writing and reading event files of a million events.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "ecevents/events/ecEventList.h"

namespace {

const int kEvents = 1000000;

std::string TempPath(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string("ecevents_bench_") + std::to_string(::getpid()) +
                                                      "_" + name))
        .string();
}

ecEventList MakeList()
{
    static const char* const names[] = {"Stim/Std", "Stim/Dev", "Resp", "Resp/Late", "EXCLUDE", "Blink"};
    ecEventList list;
    list.SetAnnotation("Benchmark recording\n");
    list.reserve(kEvents);
    for (int i = 0; i < kEvents; ++i) {
        ecEvent e;
        e.m_sName = names[i % 6];
        e.m_iStart = i * 37;
        e.m_iStop = e.m_sName == "EXCLUDE" ? e.m_iStart + 250 : e.m_iStart;
        e.m_nStatus = 2;
        e.m_nColor = 0x00FF8040u;
        if (i % 10 == 0)
            e.m_vTags = {"cond:" + std::to_string(i % 4), "side:left"};
        if (i % 50 == 0) {
            e.m_fTimeStart = 0.125f;
            e.m_fTimeStop = 0.75f;
            e.m_fFreqStart = 8.0f;
            e.m_fFreqStop = 12.5f;
        }
        e.m_nLoadCount = 1;
        list.push_back(e);
    }
    return list;
}

void BM_WriteDocument(benchmark::State& state)
{
    ecEventList list = MakeList();
    const std::string path = TempPath("write.xml");
    for (auto _ : state)
        list.Write(path.c_str());
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kEvents);
}

void BM_ReadDocument(benchmark::State& state)
{
    const std::string path = TempPath("read.xml");
    {
        ecEventList list = MakeList();
        list.Write(path.c_str());
    }
    for (auto _ : state) {
        ecEventList list;
        if (!list.ReadEventFile(path.c_str(), false) || list.size() != static_cast<std::size_t>(kEvents))
            state.SkipWithError("document did not read back");
        benchmark::DoNotOptimize(list.data());
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kEvents);
}

void BM_MergeDocument(benchmark::State& state)
{
    const std::string path = TempPath("merge.xml");
    ecEventList base = MakeList();
    base.Write(path.c_str());
    for (auto _ : state) {
        state.PauseTiming();
        ecEventList list = base;
        state.ResumeTiming();
        list.ReadEventFileXml(path.c_str(), true);
        benchmark::DoNotOptimize(list.data());
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kEvents);
}

void BM_ReadPreXml(benchmark::State& state)
{
    static const char* const names[] = {"Stim/Std", "Stim/Dev", "Resp", "Resp/Late"};
    const std::string path = TempPath("prexml.evt");
    {
        std::FILE* f = std::fopen(path.c_str(), "w");
        std::fprintf(f, "4b4f5641 4 0 0\n");
        for (int i = 0; i < kEvents; ++i)
            std::fprintf(f, "%s %d %d 2\n", names[i % 4], i * 37, i * 37);
        std::fclose(f);
    }
    for (auto _ : state) {
        ecEventList list;
        if (!list.ReadEventFilePreXml(path.c_str(), false) || list.size() != static_cast<std::size_t>(kEvents))
            state.SkipWithError("pre-XML file did not read back");
        benchmark::DoNotOptimize(list.data());
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kEvents);
}

} // namespace

BENCHMARK(BM_WriteDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MergeDocument)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadPreXml)->Unit(benchmark::kMillisecond)->MinTime(2.0);
