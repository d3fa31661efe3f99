#include "dashboard/comparison_tables.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "analysis/report_csv.h"
#include "analysis/series_analysis.h"
#include "analysis/series_reader.h"

namespace zarudiv {

namespace {

// The series' own summary, as its end-of-series table prints it.
nlohmann::json SummaryTable(const std::vector<SettingFinals>& settings)
{
    nlohmann::json rows = nlohmann::json::array();
    for (const SettingFinals& entry : settings) {
        const SettingSummary& s = entry.summary;
        nlohmann::json row = {{"setting", SettingLabel(s.setting)},
                              {"generations", s.setting.generations},
                              {"mutants", s.setting.mutants},
                              {"step_ppm", s.setting.stepPpm},
                              {"runs", s.runs}};
        if (s.runs > 0) {
            row["best"] = s.finalQ.best;
            row["q1"] = s.finalQ.q1;
            row["median"] = s.finalQ.median;
            row["q3"] = s.finalQ.q3;
            row["worst"] = s.finalQ.worst;
            row["median_evaluations_to_best"] = s.medianEvaluationsToBest;
        }
        rows.push_back(std::move(row));
    }
    return {
        {"id", "summary"},
        {"title", "Finales Q je Einstellung"},
        {"note", "beste zuerst: nach dem Median des finalen Q, dann dem ersten Quartil, dann dem besten Q"},
        {"columns",
         nlohmann::json::array({{{"key", "setting"}, {"label", "Einstellung"}},
                                {{"key", "runs"}, {"label", "Läufe"}},
                                {{"key", "best"}, {"label", "bestes"}},
                                {{"key", "q1"}, {"label", "Q1"}},
                                {{"key", "median"}, {"label", "Median"}},
                                {{"key", "q3"}, {"label", "Q3"}},
                                {{"key", "worst"}, {"label", "schlechtestes"}},
                                {{"key", "median_evaluations_to_best"},
                                 {"label", "Auswertungen bis zum besten"}}})},
        {"rows", std::move(rows)},
    };
}

// One CSV line's fields (RFC 4180 quoting, as the report writes it).
std::vector<std::string> CsvFields(const std::string& line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"')
                fields.back() += line[++i];
            else if (c == '"')
                quoted = false;
            else
                fields.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

// A number where the field is one (the page rounds it for the eye; its 17
// digits give back the CSV's double), the text otherwise ("inf", "same").
nlohmann::json CellValue(const std::string& field)
{
    if (field.empty() || field == "inf" || field == "nan")
        return field;
    char* end = nullptr;
    const double value = std::strtod(field.c_str(), &end);
    if (end != field.c_str() + field.size())
        return field;
    if (field.find_first_of(".eE") == std::string::npos)
        return static_cast<std::int64_t>(std::strtoll(field.c_str(), nullptr, 10));
    return value;
}

// A table of the report as the page shows tables: its CSV's header as the
// columns, each line a row (numbers stay the CSV's texts: 17 digits).
nlohmann::json TableOfCsv(const NamedFile& file, const std::string& title, const std::string& note)
{
    std::istringstream in(file.bytes);
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> header = CsvFields(line);
    nlohmann::json columns = nlohmann::json::array();
    for (const std::string& key : header)
        columns.push_back({{"key", key}, {"label", key}});
    nlohmann::json rows = nlohmann::json::array();
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        const std::vector<std::string> fields = CsvFields(line);
        nlohmann::json row = nlohmann::json::object();
        for (std::size_t i = 0; i < header.size() && i < fields.size(); ++i)
            row[header[i]] = CellValue(fields[i]);
        rows.push_back(std::move(row));
    }
    std::string id = file.name.substr(0, file.name.rfind('.'));
    return {{"id", id}, {"title", title}, {"note", note}, {"columns", std::move(columns)}, {"rows", std::move(rows)}};
}

// The analysis of the plan's settings, with the equal budget every one of
// them reaches: the evaluations of its shortest setting.
nlohmann::json AnalysisTables(const std::string& fileName, const SeriesPlan& plan)
{
    SeriesData data = ReadSeries(fileName);
    std::vector<Setting> inPlan;
    for (std::uint64_t i = 0; i < plan.settingCount(); ++i)
        inPlan.push_back(plan.setting(i));
    std::erase_if(data.settings, [&](const SettingRuns& s) {
        return std::find(inPlan.begin(), inPlan.end(), s.setting) == inPlan.end();
    });
    ReportRequest request;
    std::int64_t shortest = 0;
    for (const SettingRuns& s : data.settings)
        if (!s.runs.empty() && (shortest == 0 || s.evaluationsPerRun() < shortest))
            shortest = s.evaluationsPerRun();
    if (shortest > 0)
        request.budgets.push_back(shortest);
    const SeriesAnalysis report = AnalyseSeries(data, request);
    nlohmann::json tables = nlohmann::json::array();
    for (const NamedFile& file : ReportCsv(data, report)) {
        if (file.name == "final-q.csv")
            tables.push_back(TableOfCsv(file, "Finales Q: gepaarte Tests gegen die beste Einstellung",
                                        "Wilcoxon je Einstellung gegen die beste, Holm-korrigiert; A12 und "
                                        "95-%-Bootstrap-Intervall der gepaarten Differenz"));
        else if (file.name.rfind("budget-", 0) == 0)
            tables.push_back(TableOfCsv(file, "Gleiches Budget: bestes Q nach " + std::to_string(shortest) +
                                                  " Auswertungen",
                                        "jede Einstellung bei gleich vielen Auswertungen"));
        else if (file.name == "omnibus.csv")
            tables.push_back(TableOfCsv(file, "Globaltest über die Einstellungen",
                                        "Friedman über die gemeinsamen Seeds, sonst Kruskal-Wallis"));
        else if (file.name == "targets.csv")
            tables.push_back(TableOfCsv(file, "Feste Ziele: Erfolge, ERT, Median der Auswertungen",
                                        "ERT: alle Auswertungen bis zum Ziel oder Ende, geteilt durch die Erfolge"));
    }
    return tables;
}

}  // namespace

nlohmann::json ComparisonTables(SQLite::Database& db, const SeriesPlan& plan,
                                const std::vector<SettingFinals>& settings)
{
    nlohmann::json tables = nlohmann::json::array({SummaryTable(settings)});
    try {
        for (nlohmann::json& table : AnalysisTables(db.getFilename(), plan))
            tables.push_back(std::move(table));
    } catch (const std::exception& error) {
        // A plan with too few done runs for the tests, say: the summary stands alone.
        tables.push_back({{"id", "analysis"},
                          {"title", "Analyse"},
                          {"note", std::string("nicht verfügbar: ") + error.what()},
                          {"columns", nlohmann::json::array()},
                          {"rows", nlohmann::json::array()}});
    }
    nlohmann::json best = nullptr;
    if (!settings.empty() && settings.front().summary.runs > 0)
        best = SettingLabel(settings.front().summary.setting);
    return {{"tables", std::move(tables)}, {"best_setting", best}};
}

}  // namespace zarudiv
