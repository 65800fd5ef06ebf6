#include "Core.h"

PYBIND11_MODULE(_core, m)
{
    m.doc() = "Native part of the ecevents package; use the ecevents package itself.";
    BindErrors(m);
    BindEvents(m);
    BindBins(m);
    BindWindows(m);
    BindStudy(m);
}
