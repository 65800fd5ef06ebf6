#pragma once
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <shared_mutex>
#include <string>
#include <vector>

#include "ecevents/events/ecEventList.h"

namespace py = pybind11;

// The event list behind a Python EventList. Python holds it through a
// shared pointer. Calls that take time drop the GIL, so another thread may
// read the list meanwhile: readers hold the lock shared, tagging (the one
// change) holds it alone.
struct CoreEvents {
    CoreEvents() = default;
    CoreEvents(const CoreEvents& other) : list(other.Copy()) {}
    CoreEvents& operator=(const CoreEvents&) = delete;

    ecEventList Copy() const
    {
        std::shared_lock<std::shared_mutex> reading(lock);
        return list;
    }

    ecEventList list;
    mutable std::shared_mutex lock;
};

// Arrays handed to Python are made here in one go.
template <typename T>
py::array_t<T> NewArray(size_t n)
{
    return py::array_t<T>(static_cast<py::ssize_t>(n));
}

// Text from events and documents as a Python str: bytes that are not
// UTF-8 come through as surrogates (as os.fsdecode gives them) instead of
// failing the whole call.
py::str Text(const std::string& text);
py::list Texts(const std::vector<std::string>& texts);

// The exception Python sees for every failure of the library and the
// formats (a ValueError subclass), registered by the module.
void BindErrors(py::module_& m);

void BindEvents(py::module_& m);
void BindBins(py::module_& m);
void BindWindows(py::module_& m);
void BindStudy(py::module_& m);

// Unique names of the events in order of first appearance, and each event's
// index into them.
std::vector<std::string> NameCodes(const ecEventList& list, std::vector<int>& codes);
