// A bin-results document of three epochs and ten sequences, run over a
// million events with exclusion on, followed by a full preselection walk.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <string>

#include "ecevents/ecevents.h"

namespace {

const int kEvents = 1000000;
const int kExcludes = 1000;

const ecEventList& Events()
{
    static const ecEventList list = [] {
        ecEventList l;
        l.SetSamplingRate(1000.0f);
        l.reserve(kEvents);
        const char* const names[] = {"Stim1", "Stim2", "Resp", "Other"};
        const char* const conds[] = {"Cond:A", "Cond:B"};
        const char* const sides[] = {"Side:L", "Side:R", "Side:L"};
        const int every = kEvents / kExcludes;
        for (int i = 0; i < kEvents; ++i) {
            ecEvent e;
            e.m_iStart = e.m_iStop = i * 100;
            if (i % every == every / 2) {
                e.m_sName = "EXCLUDE";
                e.m_iStop = e.m_iStart + 50;
            } else {
                e.m_sName = names[i % 4];
                e.m_vTags = {conds[i % 2], sides[i % 3]};
            }
            l.push_back(e);
        }
        return l;
    }();
    return list;
}

std::string Op(const std::string& id, const std::string& params = "")
{
    return "<op><id>" + id + "</id>" + params + "</op>";
}

std::string S(const std::string& v)
{
    return "<s>" + v + "</s>";
}

std::string Seq(const std::string& ops)
{
    return "\t<bin_ops>\n" + ops + "\t</bin_ops>\n";
}

std::string Epoch(const std::string& id, const std::string& start, const std::string& stop)
{
    return "\t\t<epoch><sID>" + id + "</sID><fStart>" + start + "</fStart><fStop>" + stop
        + "</fStop><sBaselineDetrend>PreEvent</sBaselineDetrend><bApplyMagnitudeLimit>0</bApplyMagnitudeLimit>"
          "</epoch>\n";
}

std::string Document()
{
    return "<bin_results>\n" + Epoch("Stim", "-0.2", "0.8") + Epoch("Resp", "-0.5", "0.5")
        + Epoch("Long", "-1", "2")
        + Seq(Op("Names", S("Stim1") + S("Stim2") + S("Resp")) + Op("SaveBin", S("_GLOBAL_DOMAIN_")))
        + Seq(Op("Names", S("Stim1")) + Op("SaveBin", S("S1")))
        + Seq(Op("SetEpoch", S("Resp")) + Op("Attribs", S("Cond:A")) + Op("SaveBin", S("CondA")))
        + Seq(Op("Attribs", S("Cond:A") + S("Side:L")) + Op("KeepMod", "<keep>0</keep><mod>2</mod>")
              + Op("SaveBin", S("KeepMod")))
        + Seq(Op("Names", S("Stim2")) + Op("KeepSector", "<from>10</from><to>90</to>") + Op("SaveBin", S("Sector")))
        + Seq(Op("GetBin", S("S1")) + Op("GetBin", S("CondA")) + Op("And") + Op("SaveBin", S("And")))
        + Seq(Op("GetBin", S("S1")) + Op("GetBin", S("CondA")) + Op("AndNot") + Op("SaveBin", S("AndNot")))
        + Seq(Op("GetBin", S("S1")) + Op("Names", S("Stim2")) + Op("Or") + Op("SaveBin", S("Or")))
        + Seq(Op("SetEpoch", S("Long")) + Op("Names", S("Resp")) + Op("SaveBin", S("Resp")))
        + Seq(Op("Attribs", S("Side:R")) + Op("SaveBin", S("Right")))
        + "</bin_results>\n";
}

long MaxRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Seconds(std::chrono::steady_clock::time_point from)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// Runs the document and walks the bins; adds the time of each part.
int RunOnce(ecEventList& events, const std::string& doc, ecBinResultList& results, double& run, double& walk)
{
    auto start = std::chrono::steady_clock::now();
    ecXml xml;
    xml.SetText(doc);
    results.SetpEvents(&events);
    results.ReadXml(xml);
    run += Seconds(start);
    start = std::chrono::steady_clock::now();
    int bins = 0;
    results.ResetForPreselection();
    while (!results.PreselectNextBin().empty())
        ++bins;
    walk += Seconds(start);
    return bins;
}

void BM_BinResultsDocument(benchmark::State& state)
{
    ecEventList& events = const_cast<ecEventList&>(Events());
    const std::string doc = Document();

    // Memory: the growth of the peak resident size over the first run, per
    // event and per saved bin (measured once: later runs reuse the memory).
    double run = 0;
    double walk = 0;
    static const double perEventPerBin = [&] {
        const long before = MaxRssKiB();
        ecBinResultList results;
        RunOnce(events, doc, results, run, walk);
        const double grown = static_cast<double>(MaxRssKiB() - before) * 1024.0;
        return grown / kEvents / static_cast<double>(results.m_vResultList.size());
    }();

    int bins = 0;
    run = 0;
    walk = 0;
    for (auto _ : state) {
        ecBinResultList results;
        bins = RunOnce(events, doc, results, run, walk);
        benchmark::DoNotOptimize(bins);
    }
    state.counters["bins"] = bins;
    state.counters["run_s"] = benchmark::Counter(run, benchmark::Counter::kAvgIterations);
    state.counters["walk_s"] = benchmark::Counter(walk, benchmark::Counter::kAvgIterations);
    state.counters["peak_bytes_per_event_per_bin"] = perEventPerBin;
}

} // namespace

BENCHMARK(BM_BinResultsDocument)->Unit(benchmark::kMillisecond)->Iterations(5);
