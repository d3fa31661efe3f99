#include "series/series_summary.h"

#include <algorithm>
#include <cstdio>

#include "edge/exact_real.h"

namespace zarudiv {

namespace {

std::string Fixed(double value, int width, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%*.*f", width, decimals, value);
    return text;
}

std::string Padded(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string LeftPadded(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

}  // namespace

SettingSummary SummariseSetting(const Setting& setting, std::vector<RunFinal> finals)
{
    SettingSummary summary;
    summary.setting = setting;
    summary.runs = finals.size();
    if (finals.empty())
        return summary;
    std::vector<double> qs;
    std::vector<double> evaluations;
    qs.reserve(finals.size());
    evaluations.reserve(finals.size());
    for (const RunFinal& run : finals) {
        qs.push_back(run.bestQ);
        evaluations.push_back(static_cast<double>(run.bestGeneration) * setting.mutants);
    }
    summary.finalQ = Summarise(qs);
    summary.medianEvaluationsToBest = Summarise(evaluations).median;

    const long double iqr = static_cast<long double>(summary.finalQ.q3) - summary.finalQ.q1;
    const long double lowFence = summary.finalQ.q1 - 1.5L * iqr;
    const long double highFence = summary.finalQ.q3 + 1.5L * iqr;
    summary.lowWhisker = summary.finalQ.q1;
    summary.highWhisker = summary.finalQ.q3;
    for (double q : qs) {  // sorted
        if (q < lowFence || q > highFence)
            summary.outliers.push_back(q);
        else {
            summary.lowWhisker = std::min(summary.lowWhisker, q);
            summary.highWhisker = std::max(summary.highWhisker, q);
        }
    }
    return summary;
}

std::vector<SettingSummary> SummariseSeries(SeriesStore& store, const SeriesPlan& plan)
{
    std::vector<SettingSummary> summaries;
    for (std::uint64_t i = 0; i < plan.settingCount(); ++i) {
        const Setting setting = plan.setting(i);
        summaries.push_back(SummariseSetting(setting, store.finals(plan, setting)));
    }
    // stable_sort keeps the plan's order among equals.
    std::stable_sort(summaries.begin(), summaries.end(),
                     [](const SettingSummary& a, const SettingSummary& b) {
                         if ((a.runs == 0) != (b.runs == 0))
                             return b.runs == 0;
                         if (a.runs == 0)
                             return false;
                         if (a.finalQ.median != b.finalQ.median)
                             return a.finalQ.median < b.finalQ.median;
                         if (a.finalQ.q1 != b.finalQ.q1)
                             return a.finalQ.q1 < b.finalQ.q1;
                         return a.finalQ.best < b.finalQ.best;
                     });
    return summaries;
}

std::string SummaryTable(const std::vector<SettingSummary>& summaries)
{
    std::size_t labelWidth = 7;
    for (const SettingSummary& s : summaries)
        labelWidth = std::max(labelWidth, SettingLabel(s.setting).size());
    std::string table = Padded("setting", labelWidth) + "    runs" + "            best" +
                        "              q1" + "          median" + "              q3" +
                        "           worst" + "   evals to best\n";
    for (const SettingSummary& s : summaries) {
        table += Padded(SettingLabel(s.setting), labelWidth);
        table += LeftPadded(std::to_string(s.runs), 8);
        if (s.runs == 0) {
            table += "   (no run done)\n";
            continue;
        }
        for (double q : {s.finalQ.best, s.finalQ.q1, s.finalQ.median, s.finalQ.q3, s.finalQ.worst})
            table += Fixed(q, 16, 6);
        table += Fixed(s.medianEvaluationsToBest, 16, 0) + "\n";
    }
    return table;
}

std::string SummaryCsv(const std::vector<SettingSummary>& summaries)
{
    std::string csv =
        "generations,mutants,step_ppm,runs,best,q1,median,q3,worst,median_evaluations_to_best\n";
    for (const SettingSummary& s : summaries) {
        for (std::size_t value : {static_cast<std::size_t>(s.setting.generations),
                                  static_cast<std::size_t>(s.setting.mutants),
                                  static_cast<std::size_t>(s.setting.stepPpm)}) {
            csv += std::to_string(value);
            csv += ',';
        }
        csv += std::to_string(s.runs);
        if (s.runs == 0) {
            csv += ",,,,,,\n";
            continue;
        }
        for (double value : {s.finalQ.best, s.finalQ.q1, s.finalQ.median, s.finalQ.q3,
                             s.finalQ.worst, s.medianEvaluationsToBest}) {
            csv += ',';
            csv += ExactReal(value);
        }
        csv += "\n";
    }
    return csv;
}

}  // namespace zarudiv
