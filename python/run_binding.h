#pragma once
// zarudiv.run: one campaign, as the runner runs it, with the Python thread's
// lock released while it computes.

#include <pybind11/pybind11.h>

namespace zarudiv::python {

void BindRun(pybind11::module_& m);

}  // namespace zarudiv::python
