// The extension zarudiv._core; the package zarudiv (zarudiv/__init__.py)
// is what Python code imports.

#include <pybind11/pybind11.h>

#include "python/analysis_binding.h"
#include "python/errors.h"
#include "python/law_binding.h"
#include "python/run_binding.h"
#include "python/step_binding.h"

PYBIND11_MODULE(_core, m)
{
    m.doc() = "Campaigns, laws and model steps of zarudiv, exact (numpy.longdouble).";
    zarudiv::python::RegisterErrors();
    zarudiv::python::BindLaw(m);
    zarudiv::python::BindRun(m);
    zarudiv::python::BindStep(m);
    zarudiv::python::BindAnalysis(m);
}
