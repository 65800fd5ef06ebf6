#include <algorithm>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "Core.h"
#include "ecevents/epochs/ecEventRelatedEpoch.h"
#include "ecevents/specs/ecMatchRecord.h"
#include "ecevents/specs/ecPar_BinDesc.h"
#include "ecevents/specs/ecRtRequest.h"
#include "ecinterop/ecBidsEvents.h"
#include "ecinterop/ecBinDocuments.h"
#include "ecinterop/ecBinWalk.h"
#include "ecinterop/ecFormatError.h"
#include "ecinterop/ecResponseTimes.h"
#include "ecinterop/ecTextTable.h"
#include "ecrules/ecRules.h"

namespace {

struct CoreBin {
    std::string id;
    ecEventRelatedEpoch epoch;
    std::vector<char> members;
};

// What running bins over a copy of the events produced: the copy (tagged,
// in the order tagging left it) and, per bin, which of its events belong.
struct CoreResults {
    std::shared_ptr<CoreEvents> events;
    std::vector<CoreBin> bins;
    // rt_<factor> columns over the copy, when response times were asked for.
    std::vector<ecBidsEvents::SecondsColumn> responseTimes;
};

// What a reader read past is an error here: a Python caller has no place
// to see warnings scroll by.
void Strict(const std::string& source, const std::vector<ecReadDiagnostic>& found)
{
    if (found.empty())
        return;
    std::vector<std::string> lines;
    for (const ecReadDiagnostic& d : found)
        lines.push_back(ecFormatError::Line(source, d));
    throw ecFormatError(lines);
}

// Floats of a document as the document wrote them (-0.2, not -0.200000003).
double Plain(float value)
{
    return std::stod(ecTextTable::ShortFloat(value));
}

using Factors = std::vector<std::pair<std::string, std::string>>;

// The documents a run takes: a bin list or bin-results document, and an
// optional bin description that tags the copy first. Response times come
// as requests already resolved (from a rules file) or as factor and
// conditional pairs looked up in the description.
struct Documents {
    std::string bins, binsSource;
    std::string binDesc, binDescSource;
    Factors factors;
    std::vector<ecRtRequest> requests;
};

void TagCopy(ecEventList& list, Documents& d, CoreResults& results)
{
    std::vector<ecReadDiagnostic> found;
    ecPar_BinDesc desc;
    ecBinDocuments::ReadBinDesc(d.binDesc, d.binDescSource, desc, &found);
    Strict(d.binDescSource, found);
    for (const auto& [factor, conditional] : d.factors) {
        try {
            for (const ecRtRequest& r : ecRtRequest::ForFactor(desc, factor, conditional))
                d.requests.push_back(r);
        } catch (const std::exception& e) {
            throw ecFormatError(d.binDescSource, "response times of " + factor + ":" + conditional + ": " + e.what());
        }
    }
    ecMatchRecord record;
    try {
        list.SetBinDescAttributes(desc, d.requests.empty() ? nullptr : &record);
        if (!d.requests.empty())
            results.responseTimes = ecResponseTimes::Columns(d.requests, record, list);
    } catch (const std::exception& e) {
        throw ecFormatError(d.binDescSource, std::string("tagging failed: ") + e.what());
    }
}

// Runs the documents over events, already copied into results (without
// the GIL).
void RunDocuments(Documents d, CoreResults& results)
{
    std::vector<ecReadDiagnostic> found;
    const std::string binResults = ecBinDocuments::BinResultsText(d.bins, d.binsSource, nullptr, found);
    Strict(d.binsSource, found);
    ecEventList& list = results.events->list;
    if (!d.binDesc.empty())
        TagCopy(list, d, results);
    else if (!d.factors.empty())
        throw ecFormatError("", "response times need the bin description whose conditionals find the responses");
    try {
        ecBinWalk::Run(binResults, list, [&](const ecBinWalk::Bin& walked) {
            CoreBin bin;
            bin.id = walked.id;
            bin.epoch = walked.result.m_Epoch;
            bin.members.reserve(list.size());
            for (const ecEvent& e : list)
                bin.members.push_back(e.IsStatusOn() ? 1 : 0);
            results.bins.push_back(std::move(bin));
        });
    } catch (const ecFormatError&) {
        throw;
    } catch (const std::exception& e) {
        throw ecFormatError(d.binsSource, std::string("running the bins failed: ") + e.what());
    }
    // Statuses were the walk's scratch; the copy goes back to how it came.
    for (ecEvent& e : list)
        e.ClearStatus();
}

std::shared_ptr<CoreResults> Copied(const CoreEvents& source)
{
    auto results = std::make_shared<CoreResults>();
    results->events = std::make_shared<CoreEvents>(source);
    if (!(results->events->list.GetSamplingRate() > 0.0f))
        throw ecFormatError("", "running bins needs the sampling rate of the events (sfreq)");
    return results;
}

std::shared_ptr<CoreResults> Run(const CoreEvents& source, const std::string& binsText, const std::string& binsSource,
                                 const std::string& binDescText, const std::string& binDescSource,
                                 const Factors& responseTimes)
{
    py::gil_scoped_release release;
    std::shared_ptr<CoreResults> results = Copied(source);
    RunDocuments({binsText, binsSource, binDescText, binDescSource, responseTimes, {}}, *results);
    return results;
}

// A rules file compiles for the recording it runs on: rules that look back
// need the recording's own names, as the host does it.
std::shared_ptr<CoreResults> RunRules(const CoreEvents& source, const std::string& text, const std::string& path)
{
    py::gil_scoped_release release;
    if (!ecRules::LooksLikeRules(text))
        throw ecFormatError(path, "an XML document, not a rules file; give it as bins (and a bin description as "
                                  "bindesc)");
    const ecRules::Rules rules = ecRules::Parse(text, path);
    std::shared_ptr<CoreResults> results = Copied(source);
    std::vector<int> codes;
    std::vector<std::string> names = NameCodes(results->events->list, codes);
    names.erase(std::remove(names.begin(), names.end(), std::string()), names.end());
    const ecRules::Compiled compiled = ecRules::Compile(rules, &names);
    Documents d{compiled.bins, path, compiled.binDesc, path, {}, {}};
    for (const ecRules::ResponseTimeRequest& r : ecRules::ResponseTimes(compiled))
        d.requests.push_back({r.factor, r.spec, r.conditional});
    RunDocuments(std::move(d), *results);
    return results;
}

py::dict Epoch(const ecEventRelatedEpoch& e)
{
    py::dict d;
    d["sID"] = Text(e.sID);
    d["fStart"] = Plain(e.fStart);
    d["fStop"] = Plain(e.fStop);
    d["sFilteringIntervalOption"] = Text(e.sFilteringIntervalOption);
    d["fStartIOF"] = Plain(e.fStartIOF);
    d["fStopIOF"] = Plain(e.fStopIOF);
    d["sBaselineDetrend"] = Text(e.sBaselineDetrend);
    d["fDetrendStart"] = Plain(e.fDetrendStart);
    d["fDetrendStop"] = Plain(e.fDetrendStop);
    d["iPolynomialOrder"] = e.iPolynomialOrder;
    d["bApplyMagnitudeLimit"] = e.bApplyMagnitudeLimit;
    d["fElectricLow"] = Plain(e.fElectricLow);
    d["fElectricHigh"] = Plain(e.fElectricHigh);
    d["fMagneticLow"] = Plain(e.fMagneticLow);
    d["fMagneticHigh"] = Plain(e.fMagneticHigh);
    d["fThresholdStart"] = Plain(e.fThresholdStart);
    d["fThresholdStop"] = Plain(e.fThresholdStop);
    d["vChannels"] = Texts(e.vChannels);
    return d;
}

const CoreBin& BinAt(const CoreResults& r, py::ssize_t i)
{
    if (i < 0 || i >= static_cast<py::ssize_t>(r.bins.size()))
        throw py::index_error("bin index out of range");
    return r.bins[static_cast<size_t>(i)];
}

} // namespace

void BindBins(py::module_& m)
{
    py::class_<CoreResults, std::shared_ptr<CoreResults>>(m, "CoreResults")
        .def_property_readonly("events", [](const CoreResults& r) { return r.events; })
        .def("ids",
             [](const CoreResults& r) {
                 std::vector<std::string> ids;
                 for (const CoreBin& b : r.bins)
                     ids.push_back(b.id);
                 return Texts(ids);
             })
        .def("epoch", [](const CoreResults& r, py::ssize_t i) { return Epoch(BinAt(r, i).epoch); })
        .def("response_times",
             [](const CoreResults& r) {
                 py::list columns;
                 for (const ecBidsEvents::SecondsColumn& c : r.responseTimes) {
                     py::array_t<double> values = NewArray<double>(c.values.size());
                     std::copy(c.values.begin(), c.values.end(), values.mutable_data());
                     columns.append(py::make_tuple(Text(c.name), values));
                 }
                 return columns;
             })
        .def("members", [](const CoreResults& r, py::ssize_t i) {
            const CoreBin& b = BinAt(r, i);
            py::array_t<bool> out = NewArray<bool>(b.members.size());
            bool* p = out.mutable_data();
            for (char c : b.members)
                *p++ = c != 0;
            return out;
        });
    m.def("run", &Run);
    m.def("run_rules", &RunRules);
}
