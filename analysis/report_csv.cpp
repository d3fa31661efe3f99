#include "analysis/report_csv.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "analysis/fixed_target.h"
#include "analysis/report_text.h"
#include "edge/exact_real.h"

namespace zarudiv {

namespace {

std::string Real(double value)
{
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    return ExactReal(value);
}

// One line of a CSV file; the fields hold no commas, quotes or line breaks.
class CsvLine {
public:
    CsvLine& operator<<(const std::string& field)
    {
        if (fields_++ > 0)
            text_ += ',';
        text_ += field;
        return *this;
    }
    CsvLine& operator<<(const char* field) { return *this << std::string(field); }
    CsvLine& operator<<(double value) { return *this << Real(value); }
    template <typename Whole>
        requires std::is_integral_v<Whole>
    CsvLine& operator<<(Whole value)
    {
        return *this << std::to_string(value);
    }
    CsvLine& operator<<(const Setting& s) { return *this << s.generations << s.mutants << s.stepPpm; }
    CsvLine& skip(std::size_t fields)
    {
        for (std::size_t i = 0; i < fields; ++i)
            *this << "";
        return *this;
    }
    std::string line() const { return text_ + "\n"; }

private:
    std::string text_;
    std::size_t fields_ = 0;
};

std::string ViewCsv(const SeriesData& data, const SettingView& view)
{
    std::string csv =
        "generations,mutants,step_ppm,runs,fits_budget,evaluations,best,q1,median,q3,worst,"
        "vs_best,pairs,zeros,w,exact,p,holm_p,a12,median_difference,interval_low,"
        "interval_high,best_run_id,best_seed,median_run_id,median_seed,note\n";
    for (const ViewRow& row : view.rows) {
        CsvLine line;
        line << data.settings[row.setting].setting << row.runs
             << (row.fit == BudgetFit::Whole ? "yes" : row.fit == BudgetFit::Short ? "short" : "no");
        if (!row.hasValues()) {
            line.skip(21) << row.note;
            csv += line.line();
            continue;
        }
        line << row.evaluations << row.q.best << row.q.q1 << row.q.median << row.q.q3 << row.q.worst
             << (row.fit == BudgetFit::Short ? std::string("short") : StandingText(row.standing));
        if (row.comparison) {
            const Comparison& c = *row.comparison;
            line << c.test.pairs << c.test.zeros << c.test.statistic << (c.test.exact ? "yes" : "no")
                 << c.test.p << c.holmP << c.a12 << c.medianDifference;
            if (c.interval)
                line << c.interval->low << c.interval->high;
            else
                line.skip(2);
        } else {
            line.skip(10);
        }
        line << row.bestRun.id << row.bestRun.seed << row.medianRun.id << row.medianRun.seed
             << row.note;
        csv += line.line();
    }
    return csv;
}

std::string OmnibusCsv(const SeriesAnalysis& report)
{
    std::string csv = "view,test,settings,blocks_or_runs,statistic,degrees_of_freedom,p,note\n";
    const auto add = [&csv](const SettingView& view) {
        CsvLine line;
        line << ViewName(view);
        if (!view.omnibus) {
            line.skip(6) << view.omnibusNote;
            csv += line.line();
            return;
        }
        const OmnibusResult& o = *view.omnibus;
        line << (view.friedman ? "friedman" : "kruskal-wallis") << o.groups << o.blocks;
        if (o.allTied)
            line.skip(3) << "every value tied";
        else
            line << o.statistic << o.degreesOfFreedom << o.p << "";
        csv += line.line();
    };
    add(report.finalView);
    for (const SettingView& view : report.budgetViews)
        add(view);
    return csv;
}

std::string TargetsCsv(const SeriesData& data, const SeriesAnalysis& report)
{
    std::string csv = "target,generations,mutants,step_ppm,runs,successes,ert,median_evaluations\n";
    for (const TargetBlock& block : report.targetView.blocks)
        for (const TargetRow& row : block.rows) {
            CsvLine line;
            line << block.target << data.settings[row.setting].setting << row.runs << row.successes
                 << row.ert;
            if (row.medianEvaluations)
                line << *row.medianEvaluations;
            else
                line.skip(1);
            csv += line.line();
        }
    return csv;
}

std::string RunsCsv(const SeriesData& data, const SeriesAnalysis& report)
{
    CsvLine header;
    header << "run_id" << "generations" << "mutants" << "step_ppm" << "seed" << "final_q"
           << "best_generation";
    for (const SettingView& view : report.budgetViews)
        header << "q_within_" + std::to_string(*view.budget);
    for (std::size_t t = 0; t < report.targets.size(); ++t)
        header << "evaluations_to_target_" + std::to_string(t + 1);
    std::string csv = header.line();
    for (const SettingRuns& s : data.settings)
        for (const DoneRun& run : s.runs) {
            CsvLine line;
            line << run.id << s.setting << run.seed << run.finalQ << run.bestGeneration;
            for (const SettingView& view : report.budgetViews) {
                if (s.setting.mutants > *view.budget) {
                    line.skip(1);
                    continue;
                }
                const auto generation =
                    std::min<std::int64_t>(s.setting.generations, *view.budget / s.setting.mutants);
                line << QAfter(run, static_cast<int>(generation));
            }
            for (double target : report.targets) {
                if (const auto evaluations = EvaluationsToReach(run, s.setting, target))
                    line << *evaluations;
                else
                    line.skip(1);
            }
            csv += line.line();
        }
    return csv;
}

}  // namespace

std::vector<NamedFile> ReportCsv(const SeriesData& data, const SeriesAnalysis& report)
{
    std::vector<NamedFile> files;
    files.push_back({ViewName(report.finalView) + ".csv", ViewCsv(data, report.finalView)});
    for (const SettingView& view : report.budgetViews)
        files.push_back({ViewName(view) + ".csv", ViewCsv(data, view)});
    files.push_back({"omnibus.csv", OmnibusCsv(report)});
    files.push_back({"targets.csv", TargetsCsv(data, report)});
    files.push_back({"runs.csv", RunsCsv(data, report)});
    return files;
}

}  // namespace zarudiv
