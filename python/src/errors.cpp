#include <exception>

#include "Core.h"
#include "ecevents/foundation/ecError.h"
#include "ecinterop/ecFormatError.h"
#include "ecrules/ecRules.h"
#include "ecrun/HostError.h"
#include "ecsafewrite/ecSafeWriter.h"

namespace {

// Set once at import, read afterwards: the exception object lives as long
// as the module.
PyObject* g_eventsError = nullptr;

// Messages name files and events, which may hold bytes that are not UTF-8.
void Raise(const char* message)
{
    try {
        PyErr_SetObject(g_eventsError, Text(message).ptr());
    } catch (const py::error_already_set&) {
        PyErr_SetString(g_eventsError, "(a message that could not be decoded)");
    }
}

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
            Raise(e.what());
        } catch (const ecFormatError& e) {
            Raise(e.what());
        } catch (const ecWriteError& e) {
            Raise(e.what());
        } catch (const ecRules::Error& e) {
            Raise(e.what());
        } catch (const HostError& e) {
            Raise(e.what());
        }
    });
}
