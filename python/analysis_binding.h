#pragma once
// zarudiv._core.report_tables: the series report's tables of a database.

#include <pybind11/pybind11.h>

namespace zarudiv::python {

void BindAnalysis(pybind11::module_& m);

}  // namespace zarudiv::python
