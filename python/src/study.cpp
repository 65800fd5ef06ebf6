#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Core.h"
#include "ecinterop/ecBidsDerivatives.h"
#include "ecinterop/ecTextTable.h"
#include "ecrun/HostError.h"
#include "ecsafewrite/ecOutputGuard.h"
#include "ecsafewrite/ecSafeWriter.h"
#include "ecrun/ReadNotes.h"
#include "ecrun/RecordingRun.h"
#include "ecrun/RecordingSet.h"

namespace {

// A run's documents, read and checked once per process and then shared by
// every recording that process runs.
struct CorePlan {
    RecordingRun::Plan plan;
};

std::shared_ptr<CorePlan> Prepare(const std::string& bins, const std::string& binsSource, const std::string& binDesc,
                                  const std::string& binDescSource, const std::string& rules,
                                  const std::string& rulesSource, double sfreq, bool derivatives)
{
    if (!(sfreq >= 0.0) || !std::isfinite(sfreq) || sfreq > 1e9)
        throw HostError("sfreq must be a positive number of samples per second");
    py::gil_scoped_release release;
    const std::map<std::string, std::string> texts{{binsSource, bins}, {binDescSource, binDesc}, {rulesSource, rules}};
    ReadNotes notes;
    auto prepared = std::make_shared<CorePlan>();
    prepared->plan = RecordingRun::Prepare({bins.empty() ? "" : binsSource, binDesc.empty() ? "" : binDescSource,
                                            rules.empty() ? "" : rulesSource},
                                           notes, [&texts](const std::string& name) { return texts.at(name); });
    prepared->plan.events.rate = static_cast<float>(sfreq);
    prepared->plan.derivatives = derivatives;
    return prepared;
}

// Numbers of a document as it wrote them (-0.2, not -0.200000003).
double Plain(float value)
{
    return std::stod(ecTextTable::ShortFloat(value));
}

py::dict RunRecording(const CorePlan& prepared, const std::string& events, const std::string& outBase)
{
    RecordingResult r;
    {
        py::gil_scoped_release release;
        r = RecordingRun::Run(events, outBase, prepared.plan);
    }
    py::dict result;
    result["recording"] = Text(r.recording);
    result["status"] = Text(r.ok ? "" : r.error);
    py::dict entities;
    for (const auto& e : r.entities)
        entities[Text(e.first)] = Text(e.second);
    result["entities"] = entities;
    result["rt_factors"] = Texts(r.rtFactors);
    py::list bins;
    for (const RecordingResult::Bin& b : r.bins) {
        py::dict bin;
        bin["bin"] = Text(b.id);
        bin["epoch"] = Text(b.epoch);
        bin["n_events"] = b.events;
        bin["n_excluded"] = b.excluded;
        bin["first_sample"] = b.events ? py::object(py::int_(b.firstSample)) : py::object(py::none());
        bin["last_sample"] = b.events ? py::object(py::int_(b.lastSample)) : py::object(py::none());
        bin["tmin"] = Plain(b.tmin);
        bin["tmax"] = Plain(b.tmax);
        bin["rt_mean"] = b.rtMean;
        bin["rt_median"] = b.rtMedian;
        bins.append(bin);
    }
    result["bins"] = bins;
    result["written"] = Texts(r.written);
    result["warnings"] = Texts(r.warnings);
    return result;
}

py::list Recordings(const std::vector<std::string>& inputs, const std::string& out)
{
    bool batch = false;
    py::list found;
    for (const RecordingSet::Recording& r : RecordingSet::Collect(inputs, out, batch))
        found.append(py::make_tuple(Text(r.events), Text(r.outBase)));
    return found;
}

} // namespace

void BindStudy(py::module_& m)
{
    py::class_<CorePlan, std::shared_ptr<CorePlan>>(m, "CorePlan");
    m.def("prepare_run", [](const py::bytes& bins, const std::string& binsSource, const py::bytes& binDesc,
                            const std::string& binDescSource, const py::bytes& rules, const std::string& rulesSource,
                            double sfreq, bool derivatives) {
        return Prepare(bins, binsSource, binDesc, binDescSource, rules, rulesSource, sfreq, derivatives);
    });
    m.def("check_derivatives", [](const std::vector<std::string>& inputs, const std::string& out) {
        ecOutputGuard guard;
        RecordingSet::CheckDerivatives(inputs, out, "derivatives=True", guard);
    });
    m.def("write_description",
          [](const std::string& folder, const std::vector<std::pair<std::string, py::bytes>>& documents) {
              std::vector<ecBidsDerivatives::Document> texts;
              for (const auto& d : documents)
                  texts.push_back({d.first, std::string(d.second)});
              py::gil_scoped_release release;
              ecBidsDerivatives::WriteDescription(folder, texts);
          });
    m.def("run_recording", &RunRecording);
    m.def("find_recordings", &Recordings);
    m.def("write_text", [](const std::string& path, const py::bytes& text) {
        std::string content = text;
        py::gil_scoped_release release;
        ecSafeWriter::WriteText(path, content);
    });
}
