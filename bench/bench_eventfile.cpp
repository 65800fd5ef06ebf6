// Writing and reading event files of a million events.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "ecevents/events/ecEventList.h"

namespace {

// A million events; ECEVENTS_BENCH_EVENTS sets another count, to check
// that the time grows in proportion.
const int kEvents = [] {
    const char* n = std::getenv("ECEVENTS_BENCH_EVENTS");
    return n && std::atoi(n) > 0 ? std::atoi(n) : 1000000;
}();

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

// Times reading path back with read (a member of ecEventList), then removes it.
template <class Read>
void TimeReading(benchmark::State& state, const std::string& path, Read read)
{
    for (auto _ : state) {
        ecEventList list;
        if (!(list.*read)(path.c_str(), false) || list.size() != static_cast<std::size_t>(kEvents))
            state.SkipWithError("the file did not read back");
        benchmark::DoNotOptimize(list.data());
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kEvents);
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
    TimeReading(state, path, &ecEventList::ReadEventFile);
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

// The same events as MakeList, in a document laid out as a person or another
// program might write it: one element per line, indented, with the fields
// in another order (layout 1) or indented with the writer's order (layout 0).
std::string OtherLayoutDocument(int layout)
{
    ecEventList list = MakeList();
    std::string text = "<?xml version=\"1.0\"?>\r\n<KOVA_Event_List>\r\n  <Annotation>Benchmark recording\n</Annotation>\r\n";
    text.reserve(static_cast<std::size_t>(kEvents) * 400);
    char line[512];
    for (const ecEvent& e : list) {
        text += "  <Event>\r\n";
        if (layout == 1) {
            std::snprintf(line, sizeof line,
                          "    <Start>%d</Start>\r\n    <Stop>%d</Stop>\r\n    <Name>%s</Name>\r\n"
                          "    <Attribute>%d</Attribute>\r\n    <Color>%u</Color>\r\n    <Status>%u</Status>\r\n",
                          e.m_iStart, e.m_iStop, e.m_sName.c_str(), e.m_iAttribute, e.m_nColor, e.m_nStatus);
        } else {
            std::snprintf(line, sizeof line,
                          "    <Name>%s</Name>\r\n    <Start>%d</Start>\r\n    <Stop>%d</Stop>\r\n"
                          "    <Status>%u</Status>\r\n    <Color>%u</Color>\r\n    <Attribute>%d</Attribute>\r\n",
                          e.m_sName.c_str(), e.m_iStart, e.m_iStop, e.m_nStatus, e.m_nColor, e.m_iAttribute);
        }
        text += line;
        std::snprintf(line, sizeof line,
                      "    <TimeStart>%g</TimeStart>\r\n    <TimeStop>%g</TimeStop>\r\n    <FreqStart>%g</FreqStart>\r\n"
                      "    <FreqStop>%g</FreqStop>\r\n",
                      static_cast<double>(e.m_fTimeStart), static_cast<double>(e.m_fTimeStop),
                      static_cast<double>(e.m_fFreqStart), static_cast<double>(e.m_fFreqStop));
        text += line;
        for (const std::string& tag : e.m_vTags)
            text += "    <AttribTag>" + tag + "</AttribTag>\r\n";
        text += "  </Event>\r\n";
    }
    text += "</KOVA_Event_List>\r\n";
    return text;
}

// Documents not in the writer's layout, read from a file (layout 0:
// indented; 1: indented and reordered); compare with BM_ReadDocument.
void BM_ReadOtherLayout(benchmark::State& state)
{
    const std::string path = TempPath("other.xml");
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        const std::string text = OtherLayoutDocument(static_cast<int>(state.range(0)));
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    TimeReading(state, path, &ecEventList::ReadEventFile);
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
    TimeReading(state, path, &ecEventList::ReadEventFilePreXml);
}

} // namespace

BENCHMARK(BM_WriteDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MergeDocument)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadOtherLayout)->Arg(0)->Arg(1)->ArgName("reordered")->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadPreXml)->Unit(benchmark::kMillisecond)->MinTime(2.0);
