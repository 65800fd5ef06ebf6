#include "ecutil/ecXml.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// An event-list document of n events of about 150 bytes each.
std::string EventDocument(int n)
{
    std::string text = "<KOVA_Event_List>\n";
    text.reserve(static_cast<std::size_t>(n) * 160 + 64);
    for (int i = 0; i < n; ++i) {
        const std::string s = std::to_string(i * 10);
        text += "<Event><Name>Stim</Name><Start>" + s + "</Start><Stop>" + s
            + "</Stop><Status>2</Status><Color>65535</Color><Attribute>0</Attribute><TimeStart>0.5</TimeStart></Event>\n";
    }
    text += "</KOVA_Event_List>\n";
    return text;
}

// Reads every event the way the event reader does: Sub, then the fields.
void BM_ReadEvents(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    ecXml doc;
    doc.SetText(EventDocument(n));
    for (auto _ : state) {
        doc.Reset();
        ecXml root = doc.Sub("KOVA_Event_List");
        long sum = 0;
        int count = 0;
        for (;;) {
            ecXml e = root.Sub("Event");
            if (e.IsEmpty())
                break;
            const std::string name = e.CharacterData("Name");
            sum += e.GetInt("Start") + e.GetInt("Stop") + e.GetInt("Status") + e.GetInt("Color")
                + e.GetInt("Attribute") + static_cast<long>(name.size());
            if (e.TagExists("TimeStart"))
                sum += static_cast<long>(e.GetFloat("TimeStart"));
            e.Free();
            ++count;
        }
        if (count != n)
            state.SkipWithError("wrong event count");
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ReadEvents)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Repeated text children: CharacterDataNext over one reader.
void BM_CharacterDataNext(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    std::string text;
    for (int i = 0; i < n; ++i)
        text += "<UE>Name" + std::to_string(i) + "</UE>";
    ecXml doc;
    doc.SetText(text);
    for (auto _ : state) {
        doc.Reset();
        int count = 0;
        while (!doc.CharacterDataNext("UE").empty())
            ++count;
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_CharacterDataNext)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
