#include "python/law_binding.h"

#include <pybind11/numpy.h>

#include <cmath>
#include <string>
#include <utility>

#include "campaign/evaluate_law.h"
#include "campaign/program_version.h"
#include "edge/exact_real.h"
#include "python/errors.h"
#include "python/extended_array.h"

namespace zarudiv::python {

namespace py = pybind11;

namespace {

TVector Coefficients(const py::handle& values, const char* what)
{
    TVector v = VectorOf(values, kCampaignSites, kCampaignSites, what);
    for (int i = 1; i <= kCampaignSites; ++i)
        if (!std::isfinite(v[i]))
            throw py::value_error(std::string(what) + " coefficient " + std::to_string(i) +
                                  " is not finite");
    return v;
}

LawEvaluation Evaluated(const Law& law)
{
    CallerFpu fpu;
    return EvaluateLaw(law);
}

// A law made in Python is a law made elsewhere: no campaign, generation 0,
// and as its Q the Q it develops to.
PythonLaw MadeLaw(const py::handle& activator, const py::handle& inhibitor, const py::handle& step)
{
    PythonLaw made;
    made.record.law.activator = Coefficients(activator, "activator");
    made.record.law.inhibitor = Coefficients(inhibitor, "inhibitor");
    made.record.law.step = ExtendedOf(step, "step");
    if (!std::isfinite(made.record.law.step))
        throw py::value_error("the step width is not finite");
    made.record.program = ProgramIdentity();
    made.record.q = Evaluated(made.record.law).q;
    return made;
}

PythonLaw Loaded(const std::string& path)
{
    PythonLaw law;
    law.record = ReadLawFile(path);
    law.source = path;
    law.fromFile = true;
    return law;
}

PythonLaw Parsed(const std::string& text, const std::string& name)
{
    PythonLaw law;
    law.record = ParseLawFile(text, name);
    law.source = name;
    law.fromFile = true;
    return law;
}

void Save(PythonLaw& law, const std::string& path)
{
    if (const std::string problem = WriteLawFile(path, law.record); !problem.empty())
        RaiseOSError(path + ": cannot write the law file: " + problem);
    law.source = path;
    law.record.checksum = ParseLawFile(LawFileText(law.record), path).checksum;
    law.fromFile = true;
}

py::tuple Evaluate(const PythonLaw& law)
{
    const LawEvaluation evaluation = Evaluated(law.record.law);
    return py::make_tuple(evaluation.q, ExtendedArray(evaluation.developed));
}

std::string Repr(const PythonLaw& law)
{
    std::string text = "Law(q=" + ExactReal(law.record.q);
    text += law.record.campaign ? ", campaign='" + RunnerArguments(*law.record.campaign) + "'"
                                : std::string(", campaign=None");
    text += ", generation=" + std::to_string(law.record.generation);
    if (law.source)
        text += ", source='" + *law.source + "'";
    return text + ")";
}

}  // namespace

std::string PythonLaw::startLawNote(bool lawStep) const
{
    LawRecord from = record;
    if (!fromFile)
        from.checksum = ParseLawFile(LawFileText(record), "").checksum;
    return StartLawOrigin(from, lawStep, source.value_or("(in memory)"));
}

void BindLaw(py::module_& m)
{
    py::class_<PythonLaw>(m, "Law", R"doc(
A diffusion law: 20 activator and 20 inhibitor coefficients and the step width
that came with them, exact (numpy.longdouble, the same 80-bit type the campaign
computes in), with what its law file says: the campaign it came from, the
generation it was the best at, and its Q.

Law(activator, inhibitor, step) makes a law (no campaign, generation 0; its Q
is the Q it develops to). Law.load(path) reads a law file, law.save(path)
writes one; law.evaluate() develops the campaign's start vector under it.
)doc")
        .def(py::init(&MadeLaw), py::arg("activator"), py::arg("inhibitor"), py::arg("step"))
        .def_static("load", &Loaded, py::arg("path"),
                    "Reads a law file. A file that cannot be used raises ValueError naming the "
                    "file and the line.")
        .def_static("from_text", &Parsed, py::arg("text"), py::arg("name") = "<text>",
                    "A law file's text; `name` names it in errors.")
        .def("save", &Save, py::arg("path"),
             "Writes the law file whole (a temporary file renamed into place).")
        .def("text", [](const PythonLaw& law) { return LawFileText(law.record); },
             "The law file's text, as save() writes it.")
        .def("evaluate", &Evaluate,
             "(q, developed): the start vector developed under the law for 20 model steps, "
             "exactly as a campaign evaluates a mutant, and its Q: bit for bit the Q of the "
             "run the law came from. A floating-point fault raises FloatingPointError.")
        .def_property_readonly(
            "activator", [](const PythonLaw& law) { return ExtendedArray(law.record.law.activator); },
            "The 20 activator coefficients (a new longdouble array).")
        .def_property_readonly(
            "inhibitor", [](const PythonLaw& law) { return ExtendedArray(law.record.law.inhibitor); },
            "The 20 inhibitor coefficients (a new longdouble array).")
        .def_property_readonly(
            "step", [](const PythonLaw& law) { return ExtendedScalar(law.record.law.step); },
            "The step width (numpy.longdouble).")
        .def_property_readonly(
            "q", [](const PythonLaw& law) { return law.record.q; },
            "Its Q as the campaign stored it (a float).")
        .def_property_readonly(
            "generation", [](const PythonLaw& law) { return law.record.generation; },
            "The generations done when it was the best.")
        .def_property_readonly(
            "campaign",
            [](const PythonLaw& law) -> py::object {
                if (!law.record.campaign)
                    return py::none();
                return py::str(RunnerArguments(*law.record.campaign));
            },
            "The runner's options of the campaign it came from, or None.")
        .def_property_readonly(
            "start_law",
            [](const PythonLaw& law) -> py::object {
                if (!law.record.startLaw)
                    return py::none();
                return py::str(*law.record.startLaw);
            },
            "When that campaign started from a law: its checksum, whose step width, its name.")
        .def_property_readonly("program", [](const PythonLaw& law) { return law.record.program; })
        .def_property_readonly(
            "source", [](const PythonLaw& law) -> py::object {
                if (!law.source)
                    return py::none();
                return py::str(*law.source);
            },
            "The file it was read from or last written to, or None.")
        .def("__repr__", &Repr);
}

}  // namespace zarudiv::python
