#include "python/run_binding.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "campaign/campaign.h"
#include "evolution/command_error.h"
#include "python/errors.h"
#include "python/extended_array.h"
#include "python/law_binding.h"
#include "protocol/protocol_file.h"

namespace zarudiv::python {

namespace py = pybind11;

namespace {

// The runner's ranges, so that run() takes exactly the campaigns it does.
std::int64_t InRange(std::int64_t value, const char* name, std::int64_t lo, std::int64_t hi)
{
    if (value < lo || value > hi)
        throw py::value_error(std::string(name) + " needs a whole number from " +
                              std::to_string(lo) + " to " + std::to_string(hi) + " (got " +
                              std::to_string(value) + ")");
    return value;
}

// The runner refuses the same names: the protocol's first line keeps 250
// characters, and a line break would split it.
std::string ProtocolName(const std::string& name)
{
    if (name.empty())
        throw py::value_error("protocol_name needs a file name");
    if (name.size() > kMaxFileNameLength)
        throw py::value_error("protocol_name is longer than 250 characters");
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }))
        throw py::value_error("protocol_name has a control character");
    return name;
}

// Keeps each generation's record, as --log writes it, and what the campaign
// warns of. On Python's main thread it looks at the end of a generation
// whether Ctrl-C (or the notebook's interrupt) arrived, and then asks the
// campaign to stop; elsewhere it never takes the interpreter's lock. It
// looks at most ten times a second: taking the lock can wait for another
// thread's turn (5 ms), which short generations must not pay every time.
class RecordingDisplay : public CampaignDisplay {
public:
    RecordingDisplay(std::size_t generations, StopRequest& stop, bool mainThread)
        : stop_(stop), mainThread_(mainThread)
    {
        records_.reserve(generations);
    }

    void generationDone(const GenerationRecord& record) override
    {
        records_.push_back(record);
        if (!mainThread_ || interrupted_)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastLook_ < std::chrono::milliseconds(100))
            return;
        lastLook_ = now;
        py::gil_scoped_acquire gil;
        if (PyErr_CheckSignals() != 0) {
            interrupted_ = true;
            stop_.request();
        }
    }
    void warn(const std::string& message) override { warnings_.push_back(message); }

    const std::vector<GenerationRecord>& records() const { return records_; }
    const std::vector<std::string>& warnings() const { return warnings_; }
    // The exception the signal handler raised is pending.
    bool interrupted() const { return interrupted_; }

private:
    StopRequest& stop_;
    bool mainThread_;
    bool interrupted_ = false;
    std::chrono::steady_clock::time_point lastLook_{};
    std::vector<GenerationRecord> records_;
    std::vector<std::string> warnings_;
};

struct RunResult {
    py::object campaign, generationsDone, acceptedMutants;
    py::object generation, evaluations, bestQ, stepWidth, accepted;
    py::object q, bestLaw, bestEvolved, protocol;
};

template <typename T, typename Field>
py::array_t<T> Column(const std::vector<GenerationRecord>& records, Field field)
{
    py::array_t<T> column(static_cast<py::ssize_t>(records.size()));
    T* data = column.mutable_data();
    for (std::size_t i = 0; i < records.size(); ++i)
        data[i] = static_cast<T>(records[i].*field);
    return column;
}

bool OnMainThread()
{
    const py::module_ threading = py::module_::import("threading");
    return threading.attr("current_thread")().is(threading.attr("main_thread")());
}

RunResult Run(std::int64_t generations, std::int64_t mutants, std::optional<std::int64_t> stepPpm,
              std::int64_t seed, bool save, std::int64_t threads,
              const PythonLaw* startLaw, const std::string& protocolName)
{
    Campaign campaign;
    campaign.generations = static_cast<std::int32_t>(InRange(generations, "generations", 0, 10000));
    campaign.mutants = static_cast<std::int32_t>(InRange(mutants, "mutants", 0, 100));
    if (!stepPpm && !startLaw)
        throw py::value_error("step_ppm is needed unless start_law gives the start step width");
    // As the runner's: without a step given the position is 0, "never moved".
    campaign.stepPpm = stepPpm ? InRange(*stepPpm, "step_ppm", 0, 1000) : 0;
    campaign.seed = static_cast<std::uint32_t>(InRange(seed, "seed", 0, 0xFFFFFFFFLL));
    campaign.save = save;
    const std::string name = ProtocolName(protocolName);

    std::optional<StartLaw> start;
    if (startLaw)
        start = StartLaw{startLaw->record.law, !stepPpm, startLaw->startLawNote(!stepPpm)};
    CampaignOptions options;
    options.engine.threads = static_cast<unsigned>(InRange(threads, "threads", 0, 256));
    StopRequest stop;
    options.stop = &stop;
    if (start)
        options.startLaw = &*start;

    RecordingDisplay display(static_cast<std::size_t>(campaign.generations), stop, OnMainThread());
    ProtocolFile protocol;
    CampaignResult result;
    std::exception_ptr failure;
    {
        py::gil_scoped_release released;
        CallerFpu fpu;
        try {
            OpenProtocolInMemory(protocol, name);
            result = RunCampaign(campaign, CampaignSinks{display, protocol}, options);
        } catch (const CommandError&) {
            failure = std::current_exception();
        }
    }
    if (failure)
        RaiseCampaignError(failure, protocol.contents(),
                           static_cast<int>(display.records().size()));
    if (display.interrupted())
        throw py::error_already_set();
    for (const std::string& warning : display.warnings())
        if (PyErr_WarnEx(PyExc_RuntimeWarning, warning.c_str(), 1) != 0)
            throw py::error_already_set();

    PythonLaw best;
    best.record = LawRecordOf(result);

    const std::vector<GenerationRecord>& records = display.records();
    RunResult out;
    out.campaign = py::str(RunnerArguments(campaign));
    out.generationsDone = py::int_(result.generationsDone);
    out.acceptedMutants = py::int_(result.acceptedMutants);
    out.generation = Column<std::int32_t>(records, &GenerationRecord::generation);
    out.evaluations = Column<std::int64_t>(records, &GenerationRecord::evaluations);
    out.bestQ = Column<double>(records, &GenerationRecord::bestQ);
    out.stepWidth = Column<double>(records, &GenerationRecord::stepWidth);
    out.accepted = Column<std::int32_t>(records, &GenerationRecord::accepted);
    out.q = py::float_(result.bestQ);
    out.bestLaw = py::cast(std::move(best));
    out.bestEvolved = ExtendedArray(result.bestEvolved);
    out.protocol = py::bytes(protocol.contents());
    return out;
}

}  // namespace

void BindRun(py::module_& m)
{
    py::class_<RunResult>(m, "RunResult", R"doc(
What a campaign left: per generation the arrays of the runner's --log
(generation, evaluations, best_q, step_width, accepted), the best law, its Q,
the best evolved vector and the protocol's bytes.
)doc")
        .def_readonly("campaign", &RunResult::campaign, "The runner's options of this campaign.")
        .def_readonly("generations_done", &RunResult::generationsDone)
        .def_readonly("accepted_mutants", &RunResult::acceptedMutants)
        .def_readonly("generation", &RunResult::generation)
        .def_readonly("evaluations", &RunResult::evaluations,
                      "Mutants evaluated so far at the end of each generation.")
        .def_readonly("best_q", &RunResult::bestQ, "The best Q at the end of each generation.")
        .def_readonly("step_width", &RunResult::stepWidth,
                      "The parent's step width carried into the next generation (as a double).")
        .def_readonly("accepted", &RunResult::accepted,
                      "The mutants of each generation that were accepted.")
        .def_readonly("q", &RunResult::q, "The best Q of the campaign (best_q[-1]).")
        .def_readonly("best_law", &RunResult::bestLaw,
                      "The best law, as --law-out writes it (a zarudiv.Law).")
        .def_readonly("best_evolved", &RunResult::bestEvolved,
                      "The best evolved vector (20 longdouble values).")
        .def_readonly("protocol", &RunResult::protocol,
                      "The protocol's bytes (Windows-1252, CRLF), as the runner writes the file.")
        .def("__repr__", [](const RunResult& r) {
            return "RunResult(campaign='" + r.campaign.cast<std::string>() +
                   "', q=" + py::repr(r.q).cast<std::string>() + ")";
        });

    m.def("run", &Run, py::arg("generations"), py::arg("mutants"), py::arg("step_ppm"),
          py::arg("seed"), py::kw_only(), py::arg("save") = false, py::arg("threads") = 1,
          py::arg("start_law") = py::none(), py::arg("protocol_name") = kDefaultProtocolName,
          R"doc(
Runs one campaign exactly as `zarudiv-run --generations G --mutants M --step P
--seed S [--save]` does: the same arrays as its --log, the same best law as its
--law-out and the same protocol bytes (the first line names protocol_name, by
default the runner's C:/QX_000_000.doc; nothing is written to disk).

threads: the mutant engine's threads (0: all cores); no choice changes a
result. start_law: a zarudiv.Law the parent starts from; with step_ppm None
its step width is the start step width (as --start-law without --step).

The interpreter's lock is released while the campaign runs, so campaigns run
in parallel from Python threads. Ctrl-C stops the campaign at the end of its
generation and raises KeyboardInterrupt (on the main thread). A floating-point
fault raises FloatingPointError with the campaign's message; its `protocol`
holds the bytes written until then, `generations_done` the generations done.
)doc");
}

}  // namespace zarudiv::python
