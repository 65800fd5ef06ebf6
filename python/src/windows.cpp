#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "Core.h"
#include "ecinterop/ecSegmentDraw.h"

namespace {

using IntArray = py::array_t<long long, py::array::c_style | py::array::forcecast>;

// For each row event and each name: how many samples after the row event
// the name first occurs within [start + lo, start + hi], NaN when it does
// not. Events are visited in time order (equal samples in list order), so
// the cost is the number of events inside the windows, not the square of
// the list.
py::array_t<double> FirstInWindow(IntArray samples, IntArray codes, py::ssize_t names, IntArray rows, long long lo,
                                  long long hi)
{
    const py::ssize_t n = samples.size();
    if (codes.size() != n)
        throw py::value_error("samples and codes must have the same length");
    const long long* s = samples.data();
    const long long* c = codes.data();
    const long long* r = rows.data();
    const py::ssize_t nRows = rows.size();
    for (py::ssize_t i = 0; i < n; ++i)
        if (c[i] < 0 || c[i] >= names)
            throw py::value_error("a code is outside the names");
    for (py::ssize_t i = 0; i < nRows; ++i)
        if (r[i] < 0 || r[i] >= n)
            throw py::value_error("a row is outside the events");
    py::array_t<double> out({nRows, names});
    double* o = out.mutable_data();
    {
        py::gil_scoped_release release;
        std::fill(o, o + nRows * names, std::numeric_limits<double>::quiet_NaN());
        std::vector<py::ssize_t> order(static_cast<size_t>(n));
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](py::ssize_t a, py::ssize_t b) { return s[a] < s[b]; });
        std::vector<long long> sorted(order.size());
        for (size_t i = 0; i < order.size(); ++i)
            sorted[i] = s[order[i]];
        for (py::ssize_t row = 0; row < nRows; ++row) {
            const long long at = s[r[row]];
            double* line = o + row * names;
            py::ssize_t missing = names;
            auto it = std::lower_bound(sorted.begin(), sorted.end(), at + lo);
            for (size_t k = static_cast<size_t>(it - sorted.begin()); k < sorted.size() && sorted[k] <= at + hi && missing;
                 ++k) {
                double& cell = line[c[order[k]]];
                if (std::isnan(cell)) {
                    cell = static_cast<double>(sorted[k] - at);
                    --missing;
                }
            }
        }
    }
    return out;
}

py::tuple Segments(const CoreEvents& events, int length, int count, int separation, bool seeded, int seed, int margin)
{
    ecSegmentDraw draw;
    draw.length = length;
    draw.count = count;
    draw.separation = separation;
    draw.margin = margin;
    draw.seeded = seeded;
    draw.seed = seed;
    std::vector<ecSegment> pieces;
    {
        py::gil_scoped_release release;
        // Drawing sorts the events it is given; the caller's list keeps its order.
        ecEventList list = events.Copy();
        pieces = draw.Draw(list, 0, ecSegmentDraw::LastSample(list));
    }
    const size_t n = pieces.size();
    py::array_t<long long> starts = NewArray<long long>(n);
    py::array_t<long long> stops = NewArray<long long>(n);
    for (size_t i = 0; i < n; ++i) {
        starts.mutable_data()[i] = pieces[i].iStart;
        stops.mutable_data()[i] = pieces[i].iStop;
    }
    return py::make_tuple(starts, stops);
}

} // namespace

void BindWindows(py::module_& m)
{
    m.def("first_in_window", &FirstInWindow);
    m.def("segments", &Segments);
}
