#pragma once
// zarudiv.step and zarudiv.literal_step: one model step, for studying the
// model itself; and the campaign's start and target vectors.

#include <pybind11/pybind11.h>

namespace zarudiv::python {

void BindStep(pybind11::module_& m);

}  // namespace zarudiv::python
