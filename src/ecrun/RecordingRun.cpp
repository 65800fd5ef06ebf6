#include "ecrun/RecordingRun.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "ecrun/BinDescFile.h"
#include "ecrun/BinsFile.h"
#include "ecinterop/ecBidsDerivatives.h"
#include "ecinterop/ecBidsEvents.h"
#include "ecinterop/ecBinWalk.h"
#include "ecinterop/ecEventFormats.h"
#include "ecinterop/ecResponseTimes.h"
#include "ecinterop/ecTextTable.h"
#include "ecrun/HostError.h"
#include "ecrun/SafePath.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/logic/ecBinResultList.h"
#include "ecinterop/ecDatasetRecordings.h"
#include "ecevents/specs/ecMatchRecord.h"
#include "ecsafewrite/ecOutputGuard.h"
#include "ecsafewrite/ecSafeWriter.h"
#include "ecrules/ecRules.h"
#include "ecrules/ecRulesExplain.h"

bool RecordingRun::WritesTables(const std::string& outBase)
{
    return outBase.size() > 4 && outBase.compare(outBase.size() - 4, 4, ".tsv") == 0;
}

std::string RecordingRun::OutputName(const std::string& outBase, const std::string& binId)
{
    if (WritesTables(outBase))
        return outBase.substr(0, outBase.size() - 4) + "_" + binId + ".tsv";
    return outBase + "_" + binId + ".evt";
}

std::string RecordingRun::SinglePrecisionWarning(const ecEventList& events)
{
    if (events.IsExactTime())
        return std::string();
    long long last = 0;
    for (const ecEvent& e : events)
        last = std::max<long long>(last, std::max(e.m_iStart, e.m_iStop));
    const long long limit = 1LL << 24;
    if (last <= limit)
        return std::string();
    return "events reach sample " + std::to_string(last) +
           ", past 2^24, where single-precision times no longer resolve one sample: window edges may move by a few "
           "samples (use --exact-time for whole-sample windows)";
}

namespace {

void RunBins(const std::string& eventsPath, const std::string& outBase, const RecordingRun::Plan& plan,
             const ecEventFormats::Rate* rate, RecordingResult& result)
{
    ecEventList events;
    result.warnings = (rate ? ecEventFormats::Read(eventsPath, plan.events, *rate, events)
                            : ecEventFormats::Read(eventsPath, plan.events, events))
                          .warnings;
    result.rate = events.GetSamplingRate();
    if (!(result.rate > 0.0f))
        throw HostError(eventsPath, "no sampling rate: give --rate (no sidecar with SamplingFrequency was found)");
    const std::string precision = RecordingRun::SinglePrecisionWarning(events);
    if (!precision.empty())
        result.warnings.push_back(HostError::Format(eventsPath, precision));
    std::string binDescText = plan.binDescText;
    std::string binDescPath = plan.binDescPath;
    std::string binResultsText = plan.binResultsText;
    std::vector<ecRtRequest> rtRequests = plan.rt;
    if (plan.rules) {
        // In order of first appearance; the set keeps this linear however
        // many names a recording has.
        std::vector<std::string> names;
        std::unordered_set<std::string> seen;
        for (const ecEvent& e : events)
            if (!e.m_sName.empty() && seen.insert(e.m_sName).second)
                names.push_back(e.m_sName);
        const ecRules::Compiled compiled = ecRules::Compile(*plan.rules, &names);
        binDescText = compiled.binDesc;
        binDescPath = plan.binsPath;
        binResultsText = compiled.binResults ? compiled.bins : BinsFile::FromText(compiled.bins, plan.binsPath);
        for (const ecRules::ResponseTimeRequest& r : ecRules::ResponseTimes(compiled))
            rtRequests.push_back({r.factor, r.spec, r.conditional});
    }
    if (!rtRequests.empty() && binDescText.empty())
        throw HostError("response times come from the tagging: give a bin description");
    ecMatchRecord record;
    if (!binDescText.empty())
        BinDescFile::Tag(binDescText, binDescPath, events, eventsPath, rtRequests.empty() ? nullptr : &record);
    // Taken now, while the list is the one the record was taken from.
    std::vector<ecBidsEvents::SecondsColumn> rt;
    try {
        rt = ecResponseTimes::Columns(rtRequests, record, events);
    } catch (...) {
        throw HostError::FromCurrent(eventsPath, "response times: ");
    }
    for (const ecBidsEvents::SecondsColumn& column : rt)
        result.rtFactors.push_back(column.name.substr(3));
    for (const NameCheck::Wanted& wanted : plan.wanted) {
        for (const std::string& message : NameCheck::Missing(events, wanted)) {
            if (plan.strict)
                throw HostError(eventsPath, message + " (--strict)");
            result.warnings.push_back(HostError::Format(eventsPath, message));
        }
    }

    std::vector<ecEventList> binEvents;
    // Per bin, the response-time columns of its events.
    std::vector<std::vector<ecBidsEvents::SecondsColumn>> binRt;
    std::vector<ecBidsDerivatives::Bin> derived;
    // A derivatives table holds every event with a column per bin, in place
    // of the per-bin files.
    const bool derive = !outBase.empty() && plan.derivatives;
    const bool perBinFiles = !outBase.empty() && !plan.derivatives;
    try {
        ecBinWalk::Run(binResultsText, events, [&](const ecBinWalk::Bin& walked) {
            RecordingResult::Bin bin;
            bin.id = walked.id;
            bin.epoch = walked.result.m_Epoch.sID;
            bin.tmin = walked.result.m_Epoch.fStart;
            bin.tmax = walked.result.m_Epoch.fStop;
            bin.excluded = walked.result.Excluded();
            std::vector<ecBidsEvents::SecondsColumn> inBin = rt;
            for (ecBidsEvents::SecondsColumn& column : inBin)
                column.values.clear();
            if (derive)
                derived.push_back({walked.id, "", {}});
            for (size_t i = 0; i < events.size(); ++i) {
                const ecEvent& e = events[i];
                if (derive)
                    derived.back().events.push_back(e.IsStatusOn());
                if (!e.IsStatusOn())
                    continue;
                for (size_t c = 0; c < rt.size(); ++c)
                    inBin[c].values.push_back(rt[c].values[i]);
                bin.firstSample = bin.events == 0 ? e.m_iStart : std::min(bin.firstSample, e.m_iStart);
                bin.lastSample = bin.events == 0 ? e.m_iStop : std::max(bin.lastSample, e.m_iStop);
                ++bin.events;
            }
            for (const ecBidsEvents::SecondsColumn& column : inBin) {
                bin.rtMean.push_back(ecResponseTimes::Mean(column.values));
                bin.rtMedian.push_back(ecResponseTimes::Median(column.values));
            }
            result.bins.push_back(bin);
            if (perBinFiles) {
                binEvents.push_back(walked.results.PreselectedEvents());
                binRt.push_back(inBin);
            }
        });
        if (!derived.empty()) {
            std::vector<std::string> ids;
            for (const ecBidsDerivatives::Bin& bin : derived)
                ids.push_back(bin.id);
            const std::vector<std::string> words = ecRules::ExplainBinsById(binResultsText, ids);
            for (size_t i = 0; i < words.size(); ++i)
                derived[i].description = words[i];
        }
    } catch (...) {
        throw HostError::FromCurrent(eventsPath, "running " + plan.binsPath + ": ");
    }

    if (outBase.empty())
        return;
    if (plan.derivatives) {
        const std::string table = ecBidsDerivatives::TableName(outBase);
        if (plan.guard) {
            plan.guard->Claim(table);
            plan.guard->Claim(ecBidsDerivatives::SidecarName(table));
        }
        ecBidsDerivatives::WriteEvents(events, derived, rt, table);
        result.written.push_back(table);
        return;
    }
    // Check every name before writing any, so a refused bin leaves no
    // partial set of outputs behind.
    std::vector<std::string> names;
    for (const RecordingResult::Bin& bin : result.bins) {
        std::string problem = SafePath::BinIdProblem(bin.id);
        if (!problem.empty())
            throw HostError(plan.binsPath, "refusing to write the bins of " + eventsPath + ": " + problem +
                                               ", which would put an output outside the output folder; nothing was written");
        const std::string name = RecordingRun::OutputName(outBase, bin.id);
        if (std::find(names.begin(), names.end(), name) != names.end())
            continue;
        if (plan.guard)
            plan.guard->Claim(name);
        names.push_back(name);
    }
    for (size_t i = 0; i < result.bins.size(); ++i) {
        const std::string name = RecordingRun::OutputName(outBase, result.bins[i].id);
        if (RecordingRun::WritesTables(outBase))
            ecBidsEvents::Write(binEvents[i], name, binRt[i]);
        else
            ecEventFormats::WriteDocument(binEvents[i], name);
        if (std::find(result.written.begin(), result.written.end(), name) == result.written.end())
            result.written.push_back(name);
    }
}

} // namespace

RecordingRun::Plan RecordingRun::Prepare(const Documents& d, ReadNotes& notes, const Reader& read)
{
    const Reader text = read ? read : Reader(ecTextTable::ReadFile);
    Plan plan;
    if (d.rules.empty() == d.bins.empty())
        throw HostError("give the bins either as --bins (with --bindesc for tags) or as --rules");
    if (!d.rules.empty()) {
        if (!d.binDesc.empty())
            throw HostError("--rules holds the tags itself: give no --bindesc with it");
        auto rules = std::make_shared<ecRules::Rules>(ecRules::Parse(text(d.rules), d.rules));
        plan.binsPath = d.rules;
        NameCheck::Wanted wanted;
        wanted.source = "rules file " + d.rules;
        ecRules::WantedNames(*rules, wanted.names, wanted.tags);
        plan.wanted.push_back(wanted);
        plan.rules = rules;
    } else {
        plan.binsPath = d.bins;
        const std::string binsText = text(d.bins);
        plan.binResultsText = BinsFile::FromText(binsText, d.bins, nullptr, &notes);
        plan.wanted.push_back(NameCheck::FromBins(binsText, d.bins));
    }
    if (!d.binDesc.empty()) {
        plan.binDescPath = d.binDesc;
        plan.binDescText = BinDescFile::Checked(text(d.binDesc), d.binDesc, &notes);
        plan.wanted.push_back(NameCheck::FromBinDesc(plan.binDescText, d.binDesc));
        plan.rt = BinDescFile::RtRequests(plan.binDescText, d.binDesc, d.rt);
    } else if (!d.rt.empty()) {
        throw HostError(d.rules.empty() ? "--rt takes the response times from the tagging: give --bindesc"
                                        : "a rules file asks for response times with rt: true on a tag, not --rt");
    }
    return plan;
}

RecordingResult RecordingRun::Run(const std::string& eventsPath, const std::string& outBase, const Plan& plan,
                                  const ecEventFormats::Rate* rate)
{
    RecordingResult result;
    result.recording = eventsPath;
    result.entities = ecDatasetRecordings::Entities(eventsPath);
    try {
        RunBins(eventsPath, outBase, plan, rate, result);
        result.ok = true;
    } catch (...) {
        result.error = HostError::FromCurrent(eventsPath).what();
    }
    if (!result.ok)
        result.bins.clear();
    return result;
}
