#include "python/step_binding.h"

#include <pybind11/numpy.h>

#include "evolution/diffusion_model.h"
#include "evolution/fast_diffusion.h"
#include "evolution/fpu.h"
#include "evolution/random_source.h"
#include "python/errors.h"
#include "python/extended_array.h"
#include "python/law_binding.h"

namespace zarudiv::python {

namespace py = pybind11;

namespace {

template <typename Step>
py::array_t<long double> Stepped(const py::handle& state, const PythonLaw& law, Step&& step)
{
    TVector s = VectorOf(state, 1, TVector::kSize - 1, "state");
    CallerFpu fpu;
    PrepareFpu();
    CheckedRegion([&] { step(law.record.law, s); });
    return ExtendedArray(s);
}

py::array_t<long double> FastStep(const py::handle& state, const PythonLaw& law)
{
    return Stepped(state, law, [](const Law& l, TVector& s) {
        const FastDiffusion model(VectorCount(s), VectorCount(l.activator));
        model.step(l.activator, l.inhibitor, s);
    });
}

py::array_t<long double> LiteralStep(const py::handle& state, const PythonLaw& law)
{
    return Stepped(state, law, [](const Law& l, TVector& s) {
        DiffusionStep(l.activator, l.inhibitor, s, 1.0, 1.0);
    });
}

// The campaign's vectors are made the usual way, whose draws are then
// overwritten: their values do not depend on the generator.
template <typename Fill>
py::array_t<long double> CampaignVector(Fill&& fill)
{
    Generator scratch;
    TVector v;
    MakeVector(kCampaignSites, v, scratch);
    fill(v);
    return ExtendedArray(v);
}

}  // namespace

void BindStep(py::module_& m)
{
    m.def("step", &FastStep, py::arg("state"), py::arg("law"),
          "One model step of the state (1 to 100 longdouble values) under the law, as the "
          "campaign runs it (weights 1): a new array, bit for bit literal_step's. A "
          "floating-point fault raises FloatingPointError.");
    m.def("literal_step", &LiteralStep, py::arg("state"), py::arg("law"),
          "The same step written the literal way, term by term: the reference step() is "
          "checked against.");
    m.def("start_vector", [] { return CampaignVector(StartVector); },
          "The campaign's start vector (20 longdouble values).");
    m.def("target_vector", [] { return CampaignVector(TargetVector); },
          "The campaign's target vector (20 longdouble values).");
}

}  // namespace zarudiv::python
