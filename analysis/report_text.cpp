#include "analysis/report_text.h"

#include "analysis/text_table.h"

namespace zarudiv {

namespace {

using Align = TextTable::Align;

std::string Plural(std::size_t count, const std::string& one, const std::string& many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Label(const SeriesData& data, std::size_t setting)
{
    return SettingLabel(data.settings[setting].setting);
}

std::string QuartileTable(const SeriesData& data, const SettingView& view)
{
    TextTable table({{"setting", Align::Left},
                     {"runs"},
                     {"evaluations"},
                     {"best"},
                     {"q1"},
                     {"median"},
                     {"q3"},
                     {"worst"},
                     {"vs best", Align::Left}});
    for (const ViewRow& row : view.rows) {
        std::vector<std::string> cells = {Label(data, row.setting), std::to_string(row.runs)};
        if (row.runs == 0) {
            cells.insert(cells.end(), {"", "", "", "", "", "", "(no run done)"});
        } else if (row.fit == BudgetFit::NoGeneration) {
            cells.insert(cells.end(), {"0", "", "", "", "", "", "(M > budget: no generation fits)"});
        } else {
            cells.push_back(std::to_string(row.evaluations));
            for (double q : {row.q.best, row.q.q1, row.q.median, row.q.q3, row.q.worst})
                cells.push_back(Decimal(q, 6));
            cells.push_back(row.fit == BudgetFit::Short ? "short: runs end before the budget"
                                                        : StandingText(row.standing));
        }
        table.add(std::move(cells));
    }
    return table.render();
}

// Empty when no setting is compared with the best, nor says why not.
std::string TestTable(const SeriesData& data, const SettingView& view)
{
    TextTable table({{"setting", Align::Left},
                     {"pairs"},
                     {"zeros"},
                     {"W"},
                     {"test", Align::Left},
                     {"p"},
                     {"Holm p"},
                     {"A12"},
                     {"median diff"},
                     {"95% interval", Align::Left}});
    std::size_t rows = 0;
    for (const ViewRow& row : view.rows) {
        if (row.standing == Standing::Best)
            continue;
        if (!row.comparison) {
            if (row.runs > 0 && row.fit == BudgetFit::Whole) {
                table.add({Label(data, row.setting), "", "", "", row.note});
                ++rows;
            }
            continue;
        }
        const Comparison& c = *row.comparison;
        std::vector<std::string> cells = {Label(data, row.setting), std::to_string(c.test.pairs),
                                          std::to_string(c.test.zeros)};
        if (c.test.n == 0) {
            cells.insert(cells.end(), {"", "all pairs equal", PValue(c.test.p), PValue(c.holmP),
                                       Decimal(c.a12, 3), SignedDecimal(c.medianDifference, 6)});
        } else {
            cells.insert(cells.end(), {Decimal(c.test.statistic, 1), c.test.exact ? "exact" : "normal",
                                       PValue(c.test.p), PValue(c.holmP), Decimal(c.a12, 3),
                                       SignedDecimal(c.medianDifference, 6)});
        }
        cells.push_back(c.interval ? SignedDecimal(c.interval->low, 6) + " .. " +
                                         SignedDecimal(c.interval->high, 6)
                                   : "");
        table.add(std::move(cells));
        ++rows;
    }
    return rows == 0 ? std::string() : table.render();
}

std::string ViewText(const SeriesData& data, const SettingView& view, const ReportRequest& request)
{
    std::string text = ViewTitle(view) + "\n" + QuartileTable(data, view);
    if (view.rows.empty() || view.rows.front().standing != Standing::Best)
        return text;
    for (const std::string& warning : view.edgeWarnings)
        text += "warning: " + warning + "\n";
    std::size_t tested = 0;
    for (const ViewRow& row : view.rows)
        tested += row.comparison ? 1 : 0;
    const ViewRow& best = view.rows.front();
    text += OmnibusText(view, data.settings.size()) + "\n";
    const std::string tests = TestTable(data, view);
    if (!view.comparisonNote.empty()) {
        text += view.comparisonNote + "\n";
    } else if (!tests.empty()) {
        text += "Against the best, " + Label(data, best.setting) +
                ", on the seeds both ran: Wilcoxon signed-rank (pairs with no difference left "
                "out), Holm over " + Plural(tested, "test", "tests") + ", alpha " +
                Decimal(request.views.alpha, 3) + "; A12: the chance that the best's run ends "
                "lower; bootstrap interval of the median difference (" +
                std::to_string(request.views.resamples) + " resamples, seed " +
                std::to_string(request.views.bootstrapSeed) + ")\n";
        text += tests;
    }
    const Setting& setting = data.settings[best.setting].setting;
    text += "best run:   " + ReplayCommand(setting, best.bestRun.seed) + "   (run " +
            std::to_string(best.bestRun.id) + ", Q " + Decimal(best.bestRun.q, 6) + ")\n";
    text += "median run: " + ReplayCommand(setting, best.medianRun.seed) + "   (run " +
            std::to_string(best.medianRun.id) + ", Q " + Decimal(best.medianRun.q, 6) + ")\n";
    return text;
}

std::string TargetText(const SeriesData& data, const SeriesAnalysis& report)
{
    std::string text =
        "Fixed targets: evaluations until a run's best Q is at most the target; ERT: the "
        "evaluations of all runs, each until it reached the target or ended, per run that "
        "reached it";
    text += report.targetView.ladder ? "; targets from the median final Q of all runs down to "
                                       "the best\n"
                                     : "\n";
    for (const TargetBlock& block : report.targetView.blocks) {
        text += "target Q <= " + Decimal(block.target, 6) + "\n";
        TextTable table({{"setting", Align::Left}, {"reached"}, {"ERT"}, {"median evals"}});
        for (const TargetRow& row : block.rows)
            table.add({Label(data, row.setting),
                       std::to_string(row.successes) + "/" + std::to_string(row.runs),
                       Decimal(row.ert, 1),
                       row.medianEvaluations ? Decimal(*row.medianEvaluations, 1) : "-"});
        text += table.render();
    }
    return text;
}

}  // namespace

std::string StandingText(Standing standing)
{
    switch (standing) {
    case Standing::Best:
        return "best";
    case Standing::Same:
        return "same";
    case Standing::Worse:
        return "worse";
    case Standing::Better:
        return "better";
    case Standing::Differs:
        return "differs";
    case Standing::Untested:
        break;
    }
    return "-";
}

std::string ViewTitle(const SettingView& view)
{
    if (!view.budget)
        return "Final Q: each run after its last generation";
    return "Best Q within " + std::to_string(*view.budget) +
           " evaluations: each run after the generations that fit";
}

std::string OmnibusText(const SettingView& view, std::size_t settings)
{
    if (!view.omnibus)
        return view.omnibusNote;
    const OmnibusResult& o = *view.omnibus;
    std::string text = view.friedman ? "Friedman test over " + std::to_string(o.groups) +
                                           " settings on the " + std::to_string(view.seedsOfAll) +
                                           " seeds they all ran"
                                     : "Kruskal-Wallis test over " + std::to_string(o.groups) +
                                           " settings (" + std::to_string(o.blocks) +
                                           " runs; the settings share fewer than two seeds)";
    if (o.groups < settings)
        text += " (settings with one run or none, or short of the budget, left out)";
    if (o.allTied)
        return text + ": every value tied, nothing to test";
    return text + ": chi2 = " + Decimal(o.statistic, 6) + ", " +
           std::to_string(o.degreesOfFreedom) + " degrees of freedom, p = " + PValue(o.p);
}

std::string RunCountsText(const SeriesData& data)
{
    std::string text;
    for (const RunCount& count : data.statusCounts) {
        if (!text.empty())
            text += ", ";
        text += std::to_string(count.runs) + " " + count.status;
    }
    return text.empty() ? "no runs" : "runs: " + text;
}

std::string ReportText(const SeriesData& data, const SeriesAnalysis& report,
                       const ReportRequest& request)
{
    std::string text = "Series " + data.fileName + ": " +
                       Plural(data.plans.size(), "plan", "plans") + ", " +
                       Plural(data.settings.size(), "setting", "settings") + "; " +
                       RunCountsText(data) + "\n";
    for (const std::string& note : data.leftOut)
        text += "left out: " + note + "\n";
    // Appended piece by piece: GCC 12 warns (-Wrestrict, wrongly) about
    // "literal" + std::string temporaries.
    text += '\n';
    text += ViewText(data, report.finalView, request);
    for (const SettingView& view : report.budgetViews) {
        text += '\n';
        text += ViewText(data, view, request);
    }
    text += '\n';
    text += TargetText(data, report);
    return text;
}

}  // namespace zarudiv
