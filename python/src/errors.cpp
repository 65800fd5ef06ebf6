#include <exception>

#include "Core.h"
#include "ecevents/foundation/ecError.h"
#include "ecinterop/ecFormatError.h"
#include "ecsafewrite/ecSafeWriter.h"

namespace {

// Set once at import, read afterwards: the exception object lives as long
// as the module.
PyObject* g_eventsError = nullptr;

} // namespace

void BindErrors(py::module_& m)
{
    static py::exception<ecError> error(m, "EventsError", PyExc_ValueError);
    g_eventsError = error.ptr();
    py::register_exception_translator([](std::exception_ptr p) {
        if (!p)
            return;
        try {
            std::rethrow_exception(p);
        } catch (const ecError& e) {
            PyErr_SetString(g_eventsError, e.what());
        } catch (const ecFormatError& e) {
            PyErr_SetString(g_eventsError, e.what());
        } catch (const ecWriteError& e) {
            PyErr_SetString(g_eventsError, e.what());
        }
    });
}
