#include "python/analysis_binding.h"

#include <pybind11/stl.h>

#include "analysis/report_csv.h"
#include "analysis/series_analysis.h"
#include "analysis/series_reader.h"

namespace py = pybind11;

namespace zarudiv::python {

namespace {

// The tables as the report's --csv writes them: name (without ".csv") to the
// file's bytes, reals with 17 significant digits.
py::dict ReportTables(const std::string& db, const std::vector<std::int64_t>& budgets,
                      const std::vector<double>& targets, double alpha, std::uint64_t bootstrapSeed)
{
    std::vector<NamedFile> files;
    std::string failure;
    {
        py::gil_scoped_release unlocked;
        try {
            const SeriesData data = ReadSeries(db);
            ReportRequest request;
            request.budgets = budgets;
            request.targets = targets;
            request.views.alpha = alpha;
            request.views.bootstrapSeed = bootstrapSeed;
            files = ReportCsv(data, AnalyseSeries(data, request));
        } catch (const std::exception& error) {
            failure = error.what();
        }
    }
    if (!failure.empty())
        throw py::value_error(db + ": " + failure);
    py::dict tables;
    for (const NamedFile& file : files)
        tables[py::str(file.name.substr(0, file.name.rfind('.')))] = py::bytes(file.bytes);
    return tables;
}

}  // namespace

void BindAnalysis(py::module_& m)
{
    m.def("report_tables", &ReportTables, py::arg("db"), py::arg("budgets"), py::arg("targets"),
          py::arg("alpha"), py::arg("bootstrap_seed"),
          "The tables of zarudiv-series report over the database, as CSV bytes by name.");
}

}  // namespace zarudiv::python
