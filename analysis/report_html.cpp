#include "analysis/report_html.h"

#include "analysis/report_text.h"
#include "analysis/text_table.h"

namespace zarudiv {

namespace {

constexpr const char* kStyle = R"css(
body { font-family: "Liberation Sans", Arial, sans-serif; margin: 2em auto; max-width: 1320px; color: #202020; }
h1 { font-size: 1.6em; } h2 { font-size: 1.3em; margin-top: 2em; border-bottom: 1px solid #ccc; } h3 { font-size: 1.05em; }
table { border-collapse: collapse; margin: 0.6em 0 1em; font-size: 0.9em; }
th, td { padding: 0.2em 0.6em; border-bottom: 1px solid #e4e4e4; text-align: right; white-space: nowrap; }
th { background: #f2f2f2; } td.l, th.l { text-align: left; }
tr.best td { font-weight: bold; } tr.same td { background: #eef6ee; }
code { font-size: 0.95em; } td.wrap { white-space: normal; text-align: left; } p.note { color: #555; } p.warning { color: #9a4b00; }
img { width: 100%; max-width: 1280px; border: 1px solid #ddd; }
)css";

std::string Cell(const std::string& text, bool left = false)
{
    return std::string(left ? "<td class=\"l\">" : "<td>") + HtmlEscaped(text) + "</td>";
}

std::string HeaderRow(const std::vector<std::string>& headers, std::size_t leftColumns)
{
    std::string row = "<tr>";
    for (std::size_t i = 0; i < headers.size(); ++i)
        row += std::string(i < leftColumns ? "<th class=\"l\">" : "<th>") + HtmlEscaped(headers[i]) + "</th>";
    return row + "</tr>\n";
}

std::string Label(const SeriesData& data, std::size_t setting)
{
    return SettingLabel(data.settings[setting].setting);
}

const HtmlPicture* Find(const std::vector<HtmlPicture>& pictures, const std::string& name)
{
    for (const HtmlPicture& picture : pictures)
        if (picture.name == name)
            return &picture;
    return nullptr;
}

std::string Picture(const std::vector<HtmlPicture>& pictures, const std::string& name)
{
    const HtmlPicture* picture = Find(pictures, name);
    if (!picture)
        return {};
    return "<p><img alt=\"" + HtmlEscaped(picture->title) + "\" src=\"data:" + picture->mime +
           ";base64," + Base64(picture->bytes) + "\"></p>\n";
}

std::string ViewSection(const SeriesData& data, const SettingView& view,
                        const std::vector<HtmlPicture>& pictures)
{
    std::string html = "<h2>" + HtmlEscaped(ViewTitle(view)) + "</h2>\n<table>\n";
    html += HeaderRow({"setting", "runs", "evaluations", "best", "q1", "median", "q3", "worst", "vs best"}, 1);
    for (const ViewRow& row : view.rows) {
        const char* cls = row.standing == Standing::Best   ? " class=\"best\""
                          : row.standing == Standing::Same ? " class=\"same\""
                                                           : "";
        html += std::string("<tr") + cls + ">" + Cell(Label(data, row.setting), true) +
                Cell(std::to_string(row.runs));
        if (!row.hasValues()) {
            html += Cell("") + "<td colspan=\"6\" class=\"l\">" +
                    HtmlEscaped(row.runs == 0 ? "no run done" : "no generation within the budget") +
                    "</td></tr>\n";
            continue;
        }
        html += Cell(std::to_string(row.evaluations));
        for (double q : {row.q.best, row.q.q1, row.q.median, row.q.q3, row.q.worst})
            html += Cell(Decimal(q, 6));
        html += Cell(row.fit == BudgetFit::Short ? "short: runs end before the budget"
                                                 : StandingText(row.standing),
                     true) +
                "</tr>\n";
    }
    html += "</table>\n";
    if (view.rows.empty() || view.rows.front().standing != Standing::Best)
        return html + Picture(pictures, ViewName(view));

    for (const std::string& warning : view.edgeWarnings)
        html += "<p class=\"warning\">Warning: " + HtmlEscaped(warning) + "</p>\n";
    html += "<p>" + HtmlEscaped(OmnibusText(view, data.settings.size())) + "</p>\n";
    if (!view.comparisonNote.empty())
        html += "<p class=\"note\">" + HtmlEscaped(view.comparisonNote) + "</p>\n";
    const ViewRow& best = view.rows.front();
    std::string tests;
    for (const ViewRow& row : view.rows) {
        if (row.standing == Standing::Best || row.runs == 0 || row.fit != BudgetFit::Whole)
            continue;
        tests += "<tr>" + Cell(Label(data, row.setting), true);
        if (!row.comparison) {
            tests += "<td colspan=\"9\" class=\"l\">" + HtmlEscaped(row.note) + "</td></tr>\n";
            continue;
        }
        const Comparison& c = *row.comparison;
        tests += Cell(std::to_string(c.test.pairs)) + Cell(std::to_string(c.test.zeros)) +
                 Cell(c.test.n == 0 ? "" : Decimal(c.test.statistic, 1)) +
                 Cell(c.test.n == 0 ? "all pairs equal" : c.test.exact ? "exact" : "normal", true) +
                 Cell(PValue(c.test.p)) + Cell(PValue(c.holmP)) + Cell(Decimal(c.a12, 3)) +
                 Cell(SignedDecimal(c.medianDifference, 6)) +
                 Cell(c.interval ? SignedDecimal(c.interval->low, 6) + " .. " +
                                       SignedDecimal(c.interval->high, 6)
                                 : "") +
                 "</tr>\n";
    }
    if (!tests.empty())
        html += "<h3>Against the best, " + HtmlEscaped(Label(data, best.setting)) +
                ", on the seeds both ran</h3>\n<table>\n" +
                HeaderRow({"setting", "pairs", "zeros", "W", "test", "p", "Holm p", "A12",
                           "median diff", "95% interval"},
                          1) +
                tests + "</table>\n";
    return html + Picture(pictures, ViewName(view));
}

std::string TargetSection(const SeriesData& data, const SeriesAnalysis& report,
                          const std::vector<HtmlPicture>& pictures)
{
    std::string html =
        "<h2>Fixed targets</h2>\n<p>Evaluations until a run's best Q is at most the target. "
        "ERT: the evaluations of all runs, each counted until it reached the target or ended, "
        "divided by the runs that reached it; in bold the lowest of each target.";
    if (report.targetView.ladder)
        html += " The targets run from the median final Q of all runs down to the best.";
    html += "</p>\n<table>\n<tr><th class=\"l\" rowspan=\"2\">setting</th>";
    for (const TargetBlock& block : report.targetView.blocks)
        html += "<th colspan=\"3\">Q &le; " + Decimal(block.target, 6) + "</th>";
    html += "</tr>\n<tr>";
    for (std::size_t t = 0; t < report.targetView.blocks.size(); ++t)
        html += "<th>reached</th><th>ERT</th><th>median</th>";
    html += "</tr>\n";
    // One row per setting in the final view's order; each block has every
    // setting with done runs.
    for (const ViewRow& view : report.finalView.rows) {
        if (view.runs == 0)
            continue;
        html += "<tr>" + Cell(Label(data, view.setting), true);
        for (const TargetBlock& block : report.targetView.blocks)
            for (const TargetRow& row : block.rows) {
                if (row.setting != view.setting)
                    continue;
                const bool lowest = row.successes > 0 && row.ert == block.rows.front().ert;
                html += Cell(std::to_string(row.successes) + "/" + std::to_string(row.runs)) +
                        (lowest ? "<td><b>" + Decimal(row.ert, 1) + "</b></td>" : Cell(Decimal(row.ert, 1))) +
                        Cell(row.medianEvaluations ? Decimal(*row.medianEvaluations, 1) : "-");
            }
        html += "</tr>\n";
    }
    return html + "</table>\n" + Picture(pictures, "ecdf");
}

std::string ReplaySection(const SeriesData& data, const SeriesAnalysis& report)
{
    std::string html =
        "<h2>Replaying the runs</h2>\n<p>Each command runs the same campaign again; its "
        "protocol equals the run's from the second line on. The median run is the lower "
        "median when a setting has an even number of runs.</p>\n<table>\n" +
        HeaderRow({"setting", "run", "id", "seed", "final Q", "command"}, 2);
    for (const ViewRow& row : report.finalView.rows) {
        if (!row.hasValues())
            continue;
        const Setting& s = data.settings[row.setting].setting;
        for (const auto& [which, run] : {std::pair{"best", row.bestRun}, std::pair{"median", row.medianRun}})
            html += "<tr>" + Cell(Label(data, row.setting), true) + Cell(which, true) +
                    Cell(std::to_string(run.id)) + Cell(std::to_string(run.seed)) +
                    Cell(Decimal(run.q, 6)) + "<td class=\"l\"><code>" +
                    HtmlEscaped(ReplayCommand(s, run.seed)) + "</code></td></tr>\n";
    }
    return html + "</table>\n";
}

std::string PlanSection(const SeriesData& data)
{
    std::string html = "<h2>Plans</h2>\n<table>\n" +
                       HeaderRow({"plan", "started", "version", "host", "generations", "mutants",
                                  "step_ppm", "first seed", "repeat", "runs", "command line"},
                                 0);
    for (const PlanRow& plan : data.plans)
        html += "<tr>" + Cell(std::to_string(plan.id)) + Cell(plan.started, true) +
                Cell(plan.version, true) + Cell(plan.host, true) + Cell(plan.generations, true) +
                Cell(plan.mutants, true) + Cell(plan.steps, true) +
                Cell(std::to_string(plan.firstSeed)) + Cell(std::to_string(plan.repeat)) +
                Cell(std::to_string(plan.runs)) + "<td class=\"wrap\"><code>" +
                HtmlEscaped(plan.commandLine) + "</code></td></tr>\n";
    return html + "</table>\n";
}

}  // namespace

std::string Base64(const std::string& bytes)
{
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        for (int shift : {18, 12, 6, 0})
            text += kDigits[v >> shift & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        text += kDigits[v >> 18 & 63];
        text += kDigits[v >> 12 & 63];
        text += i + 1 < bytes.size() ? kDigits[v >> 6 & 63] : '=';
        text += '=';
    }
    return text;
}

std::string HtmlEscaped(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string ReportHtml(const SeriesData& data, const SeriesAnalysis& report,
                       const ReportRequest& request, const std::vector<HtmlPicture>& pictures,
                       const std::string& programVersion)
{
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                       HtmlEscaped("Series " + data.fileName) + "</title>\n<style>" + kStyle +
                       "</style>\n</head>\n<body>\n<h1>" + HtmlEscaped("Series " + data.fileName) +
                       "</h1>\n";
    html += "<p>" + HtmlEscaped(std::to_string(data.settings.size()) + " settings; " +
                                RunCountsText(data) + ". Report by zarudiv-series " +
                                programVersion + " from the database alone (schema version " +
                                std::to_string(data.schemaVersion) + "). Tests at alpha " +
                                Decimal(request.views.alpha, 3) + "; bootstrap with " +
                                std::to_string(request.views.resamples) + " resamples, seed " +
                                std::to_string(request.views.bootstrapSeed) + ".") +
            "</p>\n";
    for (const std::string& note : data.leftOut)
        html += "<p class=\"warning\">Left out: " + HtmlEscaped(note) + "</p>\n";
    html += PlanSection(data);
    html += ViewSection(data, report.finalView, pictures);
    for (const SettingView& view : report.budgetViews)
        html += ViewSection(data, view, pictures);
    if (Find(pictures, "convergence") != nullptr)
        html += "<h2>Convergence</h2>\n" + Picture(pictures, "convergence");
    html += TargetSection(data, report, pictures);
    html += ReplaySection(data, report);
    html += "<h2>What the numbers mean</h2>\n<p>"
            "Quartiles: type 7 (linear between order statistics). "
            "vs best: <i>same</i> when the Holm-adjusted p-value of the paired Wilcoxon "
            "signed-rank test against the best setting is at least alpha. "
            "W: the smaller rank sum of the signed differences; exact p-values up to 50 pairs "
            "without ties, else the normal approximation with the tie correction. "
            "A12: the chance that a run of the best setting ends with a lower Q than one of "
            "this setting (ties count half). Median diff: this setting's Q minus the best's, "
            "on the same seed.</p>\n</body>\n</html>\n";
    return html;
}

}  // namespace zarudiv
