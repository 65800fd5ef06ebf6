// The whole matching pass over a long recording: 10^6 events against a bin
// description of four attribute specs (a target with flags, an impermeable
// backward conditional, a permeable forward window conditional, a negated
// one).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>

#include "ecevents/events/ecEventList.h"
#include "ecevents/specs/ecAttribSpec.h"
#include "ecevents/specs/ecCondEventFlag.h"
#include "ecevents/specs/ecConditional.h"
#include "ecevents/specs/ecEventSpecs.h"
#include "ecevents/specs/ecPar_BinDesc.h"
#include "ecevents/specs/ecTarget.h"

static ecEventList MakeRecording(int count) {
    // Stimuli, responses and noise markers every 50 to 400 ms at 1 kHz, a few
    // rejected and a few tagged.
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> gap(50, 400);
    std::uniform_int_distribution<int> roll(0, 99);
    static const char* const names[] = {"Stim1", "Stim2", "Resp", "Resp", "Noise", "Blink"};
    ecEventList list;
    list.SetSamplingRate(1000.0f);
    list.reserve(static_cast<size_t>(count));
    int sample = 0;
    for (int i = 0; i < count; ++i) {
        sample += gap(rng);
        ecEvent e;
        e.m_sName = names[roll(rng) % 6];
        e.m_iStart = e.m_iStop = sample;
        if (roll(rng) < 3)
            e.SetRejectedOn();
        else
            e.SetRejectedOff();
        if (roll(rng) < 2)
            e.SetTagged();
        list.push_back(e);
    }
    return list;
}

static void SetAnchor(ecTimeAnchor* a, const std::string& specifier, bool minus, float latency) {
    a->SetName(specifier);
    a->SetLatencyWRTSpecifier(latency);
    a->SetOption(minus ? ecTimeAnchor::kMinus : 0);
}

static ecConditional* AddConditional(ecAttribSpec* spec, const std::string& event, long option, bool minus,
                                     float pre, float post) {
    ecConditional* cond = spec->GetpEventSpecs()->GetpConditional(spec->CreateConditional("C"));
    cond->AddEvent(event);
    cond->SetOption(option);
    SetAnchor(cond->GetpTimeAnchorPre(), "T", minus, pre);
    SetAnchor(cond->GetpTimeAnchorPost(), "T", minus, post);
    return cond;
}

static ecTarget* AddSpec(ecPar_BinDesc& desc, const std::string& factor, const std::string& event) {
    desc.AddOneAttribSpec();
    ecAttribSpec* spec = desc.GetpAttribSpec(desc.GetNumAttribSpecs() - 1);
    spec->AppendOneFactorValuePair(factor, "1");
    ecTarget* target = spec->GetpEventSpecs()->GetpTarget(spec->CreateTarget("T") - 1);
    target->AddEvent(event);
    return target;
}

static void MakeDescription(ecPar_BinDesc& desc) {
    // Every stimulus marks code bit 1.
    ecTarget* marked = AddSpec(desc, "Stim", "Stim1");
    marked->AddEvent("Stim2");
    ecCondEventFlag* flag = new ecCondEventFlag();
    flag->SetOption(ecCondEventFlag::kInvert | ecCondEventFlag::kSet);
    flag->SetSetCode(1);
    marked->GetpvFlags()->push_back(flag);

    // A response whose stimulus stands two places before it.
    AddSpec(desc, "AfterStim", "Resp");
    AddConditional(desc.GetpAttribSpec(1), "Stim1", 0, true, 0.0f, 0.0f);

    // A Stim2 answered between 0.2 and 1.5 s later.
    AddSpec(desc, "Answered", "Stim2");
    AddConditional(desc.GetpAttribSpec(2), "Resp", ecConditional::kPermeable | ecConditional::kWindow, false,
                   0.2f, 1.5f);

    // A Stim1 without a blink in the second after it.
    AddSpec(desc, "Clean", "Stim1");
    AddConditional(desc.GetpAttribSpec(3), "Blink",
                   ecConditional::kNegated | ecConditional::kPermeable | ecConditional::kWindow, false, 0.0f,
                   1.0f);
}

// A recording in time order, as event files are written; with a non-zero
// argument the events come shuffled and the pass sorts them first.
static void BM_SetBinDescAttributes(benchmark::State& state) {
    const ecEventList recording = MakeRecording(static_cast<int>(state.range(0)));
    ecPar_BinDesc desc;
    MakeDescription(desc);
    ecEventList list;
    for (auto _ : state) {
        state.PauseTiming();
        list = recording;
        if (state.range(1) != 0)
            std::shuffle(list.begin(), list.end(), std::mt19937(7));
        state.ResumeTiming();
        list.SetBinDescAttributes(desc);
        benchmark::DoNotOptimize(list.GetUniqueTagNameCnt());
    }
    int tagged = 0;
    for (const ecEvent& e : list)
        tagged += e.m_vTags.empty() ? 0 : 1;
    state.counters["tagged"] = tagged;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SetBinDescAttributes)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->ArgNames({"events", "shuffled"})
    ->Unit(benchmark::kMillisecond);
