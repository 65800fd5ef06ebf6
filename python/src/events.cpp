#include <memory>
#include <stdexcept>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Core.h"
#include "ecevents/events/ecEventLoader.h"
#include "ecevents/specs/ecPar_BinDesc.h"
#include "ecinterop/ecBidsEvents.h"
#include "ecinterop/ecBinDocuments.h"
#include "ecinterop/ecEventFormats.h"
#include "ecinterop/ecEventStats.h"
#include "ecinterop/ecFormatError.h"
#include "ecinterop/ecNearestSample.h"

namespace {

using Shared = std::shared_ptr<CoreEvents>;

void RejectExclusions(ecEventList& list)
{
    for (ecEvent& e : list)
        if (ecEventFormats::IsExclusionName(e))
            e.SetRejectedOn();
}

ecFormatOptions Options(float rate, const std::string& nameColumn, const std::vector<std::string>& eventIds)
{
    ecFormatOptions options;
    options.rate = rate;
    options.nameColumn = nameColumn;
    options.ids.AddAll(eventIds);
    return options;
}

py::tuple Read(const std::string& path, float rate, const std::string& nameColumn,
               const std::vector<std::string>& eventIds)
{
    auto events = std::make_shared<CoreEvents>();
    ecEventFormats::Loaded loaded;
    {
        py::gil_scoped_release release;
        loaded = ecEventFormats::Read(path, Options(rate, nameColumn, eventIds), events->list);
    }
    return py::make_tuple(events, ecEventFormats::FormatName(loaded.format), Text(loaded.rateSource));
}

// A BIDS table's text, read by the same rules as a *_events.tsv file.
Shared FromTable(const std::string& text, const std::string& source, float rate, const std::string& nameColumn)
{
    auto events = std::make_shared<CoreEvents>();
    py::gil_scoped_release release;
    events->list.SetSamplingRate(rate);
    ecBidsEvents::ReadText(text, source, Options(rate, nameColumn, {}), events->list);
    RejectExclusions(events->list);
    return events;
}

// Events from columns: start samples, durations in seconds (0 for points)
// and each event's index into labels.
Shared FromArrays(py::array_t<long long, py::array::c_style | py::array::forcecast> starts,
                  py::array_t<double, py::array::c_style | py::array::forcecast> durations,
                  py::array_t<long long, py::array::c_style | py::array::forcecast> codes,
                  const std::vector<std::string>& labels, float rate, const std::string& source)
{
    const py::ssize_t n = starts.size();
    if (durations.size() != n || codes.size() != n)
        throw py::value_error("starts, durations and codes must have the same length");
    auto events = std::make_shared<CoreEvents>();
    const long long* s = starts.data();
    const double* d = durations.data();
    const long long* c = codes.data();
    py::gil_scoped_release release;
    ecEventList& list = events->list;
    list.SetSamplingRate(rate);
    list.reserve(static_cast<size_t>(n));
    ecEventLoader loader(list, false);
    for (py::ssize_t i = 0; i < n; ++i) {
        if (c[i] < 0 || c[i] >= static_cast<long long>(labels.size()))
            throw ecFormatError(source, "event " + std::to_string(i) + " has no name (code " + std::to_string(c[i]) +
                                            " outside the labels)");
        if (!ecFitsSample(static_cast<double>(s[i])))
            throw ecFormatError(source, "event " + std::to_string(i) + ": sample " + std::to_string(s[i]) +
                                            " does not fit a 32-bit sample");
        if (!(d[i] >= 0.0) || (d[i] > 0.0 && !(rate > 0.0)))
            throw ecFormatError(source, "event " + std::to_string(i) + ": duration " + std::to_string(d[i]) +
                                            (d[i] >= 0.0 ? " needs a sampling rate" : " is negative or not a number"));
        const double stop = d[i] > 0.0 ? ecLastSample(static_cast<double>(s[i]), d[i], rate) : static_cast<double>(s[i]);
        if (!ecFitsSample(stop))
            throw ecFormatError(source, "event " + std::to_string(i) + ": the end of the event does not fit a 32-bit sample");
        ecEvent e;
        e.m_sName = labels[static_cast<size_t>(c[i])];
        e.m_iStart = static_cast<int>(s[i]);
        e.m_iStop = static_cast<int>(stop);
        e.SetRejectedOff();
        if (ecEventFormats::IsExclusionName(e))
            e.SetRejectedOn();
        loader.Enter(std::move(e));
    }
    return events;
}

using Reading = std::shared_lock<std::shared_mutex>;

template <typename T, typename F>
py::array_t<T> Column(const CoreEvents& events, F field)
{
    Reading reading(events.lock);
    const ecEventList& list = events.list;
    py::array_t<T> out = NewArray<T>(list.size());
    T* p = out.mutable_data();
    for (const ecEvent& e : list)
        *p++ = field(e);
    return out;
}

std::string JoinTags(const ecEvent& e)
{
    std::string all;
    for (const std::string& t : e.m_vTags)
        all += (all.empty() ? "" : ";") + t;
    return all;
}

} // namespace

py::str Text(const std::string& text)
{
    PyObject* s = PyUnicode_DecodeUTF8(text.data(), static_cast<py::ssize_t>(text.size()), "surrogateescape");
    if (!s)
        throw py::error_already_set();
    return py::reinterpret_steal<py::str>(s);
}

py::list Texts(const std::vector<std::string>& texts)
{
    py::list out;
    for (const std::string& t : texts)
        out.append(Text(t));
    return out;
}

namespace {

py::array ObjectColumn(const std::vector<std::string>& values)
{
    py::array out(py::dtype("O"), std::vector<py::ssize_t>{static_cast<py::ssize_t>(values.size())});
    PyObject** p = static_cast<PyObject**>(out.mutable_data());
    for (size_t i = 0; i < values.size(); ++i) {
        Py_XDECREF(p[i]);
        p[i] = Text(values[i]).release().ptr();
    }
    return out;
}

// One column per tag factor over the given events: the value of the tag
// factor:value, two values of one factor joined by "|", None where the
// event has no tag of that factor. Factors in order of first use.
py::list FactorColumns(const CoreEvents& events, py::array_t<long long, py::array::c_style | py::array::forcecast> rows)
{
    const long long* r = rows.data();
    const size_t n = static_cast<size_t>(rows.size());
    std::vector<std::string> factors;
    std::vector<std::vector<std::string>> values;
    std::vector<std::vector<char>> present;
    {
        py::gil_scoped_release release;
        Reading reading(events.lock);
        std::unordered_map<std::string, size_t> index;
        for (size_t k = 0; k < n; ++k) {
            if (r[k] < 0 || r[k] >= static_cast<long long>(events.list.size()))
                throw std::out_of_range("event index out of range");
            for (const std::string& tag : events.list[static_cast<size_t>(r[k])].m_vTags) {
                const size_t colon = tag.find(':');
                const std::string factor = tag.substr(0, colon);
                const std::string value = colon == std::string::npos ? "" : tag.substr(colon + 1);
                auto [it, added] = index.emplace(factor, factors.size());
                if (added) {
                    factors.push_back(factor);
                    values.emplace_back(n);
                    present.emplace_back(n, 0);
                }
                std::string& cell = values[it->second][k];
                cell = present[it->second][k] ? cell + "|" + value : value;
                present[it->second][k] = 1;
            }
        }
    }
    py::list columns;
    for (size_t f = 0; f < factors.size(); ++f) {
        py::array column = ObjectColumn(values[f]);
        PyObject** p = static_cast<PyObject**>(column.mutable_data());
        for (size_t k = 0; k < n; ++k) {
            if (!present[f][k]) {
                Py_XDECREF(p[k]);
                Py_INCREF(Py_None);
                p[k] = Py_None;
            }
        }
        columns.append(py::make_tuple(Text(factors[f]), column));
    }
    return columns;
}

py::tuple Record(const CoreEvents& events, py::ssize_t i)
{
    Reading reading(events.lock);
    const py::ssize_t n = static_cast<py::ssize_t>(events.list.size());
    if (i < 0)
        i += n;
    if (i < 0 || i >= n)
        throw py::index_error("event index out of range");
    const ecEvent& e = events.list[static_cast<size_t>(i)];
    return py::make_tuple(Text(e.m_sName), e.m_iStart, e.m_iStop, e.m_nStatus, e.IsRejected(), py::tuple(Texts(e.m_vTags)));
}

// Events per tag, in order of first appearance: the pass lists each tag as
// it first writes it, walking the list in order, so one sweep over the
// events' tags counts them without the full statistics of a recording.
std::vector<std::pair<std::string, long long>> TagCounts(const ecEventList& list)
{
    std::vector<std::pair<std::string, long long>> counts;
    std::unordered_map<std::string, std::size_t> at;
    for (int k = 0; k < list.GetUniqueTagNameCnt(); ++k) {
        at.emplace(list.GetUniqueTagName(k), counts.size());
        counts.push_back({list.GetUniqueTagName(k), 0});
    }
    for (const ecEvent& e : list)
        for (const std::string& t : e.m_vTags)
            ++counts[at.at(t)].second;
    return counts;
}

py::list Tag(CoreEvents& events, const std::string& text, const std::string& source)
{
    std::vector<std::pair<std::string, long long>> counts;
    {
        py::gil_scoped_release release;
        std::vector<ecReadDiagnostic> found;
        ecPar_BinDesc desc;
        ecBinDocuments::ReadBinDesc(text, source, desc, &found);
        if (!found.empty()) {
            std::vector<std::string> lines;
            for (const ecReadDiagnostic& d : found)
                lines.push_back(ecFormatError::Line(source, d));
            throw ecFormatError(lines);
        }
        std::unique_lock<std::shared_mutex> writing(events.lock);
        if (!(events.list.GetSamplingRate() > 0.0f))
            throw ecFormatError(source, "tagging needs the sampling rate of the events (sfreq)");
        events.list.SetBinDescAttributes(desc);
        counts = TagCounts(events.list);
    }
    py::list result;
    for (const auto& [tag, count] : counts)
        result.append(py::make_tuple(Text(tag), count));
    return result;
}

} // namespace

std::vector<std::string> NameCodes(const ecEventList& list, std::vector<int>& codes)
{
    std::vector<std::string> names;
    std::unordered_map<std::string, int> index;
    codes.clear();
    codes.reserve(list.size());
    for (const ecEvent& e : list) {
        auto [it, added] = index.emplace(e.m_sName, static_cast<int>(names.size()));
        if (added)
            names.push_back(e.m_sName);
        codes.push_back(it->second);
    }
    return names;
}

void BindEvents(py::module_& m)
{
    py::class_<CoreEvents, Shared>(m, "CoreEvents")
        .def("__len__",
             [](const CoreEvents& c) {
                 Reading reading(c.lock);
                 return c.list.size();
             })
        .def_property_readonly("rate",
                               [](const CoreEvents& c) {
                                   Reading reading(c.lock);
                                   return c.list.GetSamplingRate();
                               })
        .def_property_readonly("annotation",
                               [](const CoreEvents& c) {
                                   Reading reading(c.lock);
                                   return Text(c.list.GetAnnotation());
                               })
        .def_property(
            "exact_time",
            [](const CoreEvents& c) {
                Reading reading(c.lock);
                return c.list.IsExactTime();
            },
            [](CoreEvents& c, bool exact) {
                std::unique_lock<std::shared_mutex> writing(c.lock);
                c.list.SetExactTime(exact);
            })
        .def("copy", [](const CoreEvents& c) { return std::make_shared<CoreEvents>(c); })
        .def("starts", [](const CoreEvents& c) { return Column<long long>(c, [](const ecEvent& e) { return e.m_iStart; }); })
        .def("stops", [](const CoreEvents& c) { return Column<long long>(c, [](const ecEvent& e) { return e.m_iStop; }); })
        .def("status", [](const CoreEvents& c) { return Column<unsigned int>(c, [](const ecEvent& e) { return e.m_nStatus; }); })
        .def("rejected", [](const CoreEvents& c) { return Column<bool>(c, [](const ecEvent& e) { return e.IsRejected(); }); })
        .def("codes",
             [](const CoreEvents& c) {
                 std::vector<int> codes;
                 std::vector<std::string> names;
                 {
                     py::gil_scoped_release release;
                     Reading reading(c.lock);
                     names = NameCodes(c.list, codes);
                 }
                 py::array_t<int> out = NewArray<int>(codes.size());
                 std::copy(codes.begin(), codes.end(), out.mutable_data());
                 return py::make_tuple(out, Texts(names));
             })
        .def("tag_names",
             [](const CoreEvents& c) {
                 std::vector<std::string> tags;
                 Reading reading(c.lock);
                 for (const auto& [tag, count] : ecEventStats::Of(c.list).tags)
                     tags.push_back(tag);
                 return Texts(tags);
             })
        .def("tags_joined",
             [](const CoreEvents& c) {
                 std::vector<std::string> joined;
                 Reading reading(c.lock);
                 joined.reserve(c.list.size());
                 for (const ecEvent& e : c.list)
                     joined.push_back(JoinTags(e));
                 return ObjectColumn(joined);
             })
        .def("record", &Record)
        .def("factor_columns", &FactorColumns)
        .def("tag", &Tag)
        .def("write", [](CoreEvents& c, const std::string& path, const std::vector<std::string>& eventIds) {
            const ecFormatOptions options = Options(0.0f, "", eventIds);
            py::gil_scoped_release release;
            // The writers may put the list in time order; the caller's list
            // keeps its own.
            ecEventList copy = c.Copy();
            ecEventFormats::Write(copy, path, options);
        });
    m.def("read_file", &Read);
    m.def("from_table", &FromTable);
    m.def("from_arrays", &FromArrays);
}
