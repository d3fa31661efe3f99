#include "analysis/setting_view.h"

#include <algorithm>
#include <iterator>
#include <numeric>

#include "analysis/effect_size.h"
#include "analysis/holm.h"

namespace zarudiv {

namespace {

// A setting's runs as the view values them, by seed.
struct Valued {
    std::vector<std::uint32_t> seeds;
    std::vector<double> values;
};

BudgetFit FitOf(const SettingRuns& s, std::optional<std::int64_t> budget)
{
    if (!budget)
        return BudgetFit::Whole;
    if (s.setting.mutants > *budget)
        return BudgetFit::NoGeneration;
    return s.evaluationsPerRun() < *budget ? BudgetFit::Short : BudgetFit::Whole;
}

Valued ValuesOf(const SettingRuns& s, std::optional<std::int64_t> budget, BudgetFit fit)
{
    Valued valued;
    if (fit == BudgetFit::NoGeneration)
        return valued;
    const int generation =
        budget && fit == BudgetFit::Whole
            ? static_cast<int>(std::min<std::int64_t>(s.setting.generations, *budget / s.setting.mutants))
            : s.setting.generations;
    for (const DoneRun& run : s.runs) {
        valued.seeds.push_back(run.seed);
        valued.values.push_back(budget ? QAfter(run, generation) : run.finalQ);
    }
    return valued;
}

void Describe(ViewRow& row, const SettingRuns& s, const Valued& valued)
{
    std::vector<std::size_t> order(valued.values.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // By value, then seed (the runs come by seed): the best run and the
    // median run are the same whoever asks.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return valued.values[a] < valued.values[b];
    });
    std::vector<double> sorted;
    for (std::size_t i : order)
        sorted.push_back(valued.values[i]);
    row.q = Summarise(sorted);
    const auto pointer = [&](std::size_t i) {
        return RunPointer{s.runs[i].id, s.runs[i].seed, valued.values[i]};
    };
    row.bestRun = pointer(order.front());
    row.medianRun = pointer(order[(order.size() - 1) / 2]);

    const long double iqr = static_cast<long double>(row.q.q3) - row.q.q1;
    const long double lowFence = row.q.q1 - 1.5L * iqr;
    const long double highFence = row.q.q3 + 1.5L * iqr;
    row.lowWhisker = row.q.q1;
    row.highWhisker = row.q.q3;
    for (double q : sorted) {
        if (q < lowFence || q > highFence)
            row.outliers.push_back(q);
        else {
            row.lowWhisker = std::min(row.lowWhisker, q);
            row.highWhisker = std::max(row.highWhisker, q);
        }
    }
}

int Group(const ViewRow& row)
{
    if (row.runs == 0)
        return 3;
    if (row.fit == BudgetFit::NoGeneration)
        return 2;
    return row.fit == BudgetFit::Short ? 1 : 0;
}

// Each comparison draws from a stream of its own, so that an interval does
// not change when other settings join the database.
std::uint64_t StreamSeed(std::uint64_t seed, std::optional<std::int64_t> budget, const Setting& best,
                         const Setting& other)
{
    std::uint64_t state = SplitMix64::Mix(seed);
    for (std::int64_t part :
         {budget.value_or(0), std::int64_t{best.generations}, std::int64_t{best.mutants},
          std::int64_t{best.stepPpm}, std::int64_t{other.generations}, std::int64_t{other.mutants},
          std::int64_t{other.stepPpm}})
        state = SplitMix64::Mix(state ^ static_cast<std::uint64_t>(part));
    return state;
}

Comparison Compare(const Valued& best, const Valued& other, std::optional<std::int64_t> budget,
                   const Setting& bestSetting, const Setting& otherSetting,
                   const ViewOptions& options)
{
    std::vector<long double> differences;
    std::vector<double> bestValues, otherValues, rounded;
    std::size_t i = 0, j = 0;
    while (i < best.seeds.size() && j < other.seeds.size()) {
        if (best.seeds[i] < other.seeds[j])
            ++i;
        else if (other.seeds[j] < best.seeds[i])
            ++j;
        else {
            differences.push_back(static_cast<long double>(other.values[j]) - best.values[i]);
            rounded.push_back(static_cast<double>(differences.back()));
            bestValues.push_back(best.values[i]);
            otherValues.push_back(other.values[j]);
            ++i;
            ++j;
        }
    }
    Comparison comparison;
    comparison.test = SignedRankTest(differences);
    comparison.a12 = ChanceOfLower(bestValues, otherValues);
    std::vector<double> sorted = rounded;
    std::sort(sorted.begin(), sorted.end());
    comparison.medianDifference = Quantile(sorted, 0.5);
    SplitMix64 generator(StreamSeed(options.bootstrapSeed, budget, bestSetting, otherSetting));
    comparison.interval = BootstrapMedianInterval(rounded, options.resamples, 0.95, generator);
    return comparison;
}

std::size_t CommonSeeds(const Valued& a, const Valued& b)
{
    std::vector<std::uint32_t> common;
    std::set_intersection(a.seeds.begin(), a.seeds.end(), b.seeds.begin(), b.seeds.end(),
                          std::back_inserter(common));
    return common.size();
}

void OmnibusTest(SettingView& view, const std::vector<Valued>& valued)
{
    std::vector<std::size_t> tested;
    for (const ViewRow& row : view.rows)
        if (row.fit == BudgetFit::Whole && row.runs >= 2)
            tested.push_back(row.setting);
    if (tested.size() < 2) {
        view.omnibusNote = "no omnibus test: it needs two settings with two runs or more";
        return;
    }
    std::vector<std::uint32_t> common = valued[tested.front()].seeds;
    for (std::size_t s : tested) {
        std::vector<std::uint32_t> kept;
        std::set_intersection(common.begin(), common.end(), valued[s].seeds.begin(),
                              valued[s].seeds.end(), std::back_inserter(kept));
        common = std::move(kept);
    }
    if (common.size() >= 2) {
        view.friedman = true;
        view.seedsOfAll = common.size();
        std::vector<std::vector<double>> blocks(common.size());
        for (std::size_t s : tested) {
            const Valued& v = valued[s];
            std::size_t at = 0;
            for (std::size_t b = 0; b < common.size(); ++b) {
                while (v.seeds[at] != common[b])
                    ++at;
                blocks[b].push_back(v.values[at]);
            }
        }
        view.omnibus = FriedmanTest(blocks);
        return;
    }
    std::vector<std::vector<double>> samples;
    for (std::size_t s : tested)
        samples.push_back(valued[s].values);
    view.omnibus = KruskalWallisTest(samples);
}

void EdgeWarnings(SettingView& view, const SeriesData& data)
{
    const ViewRow& best = view.rows.front();
    const Setting& b = data.settings[best.setting].setting;
    struct Dimension {
        const char* name;
        int Setting::*member;
    };
    for (const Dimension& d : {Dimension{"mutant count", &Setting::mutants},
                               Dimension{"start step width", &Setting::stepPpm}}) {
        int low = b.*d.member, high = b.*d.member;
        for (const ViewRow& row : view.rows)
            if (row.hasValues() && row.fit == BudgetFit::Whole) {
                low = std::min(low, data.settings[row.setting].setting.*d.member);
                high = std::max(high, data.settings[row.setting].setting.*d.member);
            }
        if (low == high)
            continue;
        const char* const letter = d.member == &Setting::mutants ? "M" : "P";
        if (b.*d.member == high)
            view.edgeWarnings.push_back(std::string("the best setting has the largest ") + d.name +
                                        " of the grid (" + letter + "=" +
                                        std::to_string(high) + "): a larger one may be better still");
        else if (b.*d.member == low)
            view.edgeWarnings.push_back(std::string("the best setting has the smallest ") + d.name +
                                        " of the grid (" + letter + "=" + std::to_string(low) +
                                        "): a smaller one may be better still");
    }
}

}  // namespace

std::string ViewName(const SettingView& view)
{
    return view.budget ? "budget-" + std::to_string(*view.budget) : "final-q";
}

SettingView MakeSettingView(const SeriesData& data, std::optional<std::int64_t> budget,
                            const ViewOptions& options)
{
    SettingView view;
    view.budget = budget;
    std::vector<Valued> valued(data.settings.size());
    for (std::size_t i = 0; i < data.settings.size(); ++i) {
        const SettingRuns& s = data.settings[i];
        ViewRow row;
        row.setting = i;
        row.runs = s.runs.size();
        row.fit = FitOf(s, budget);
        row.evaluations = s.evaluationsPerRun();
        if (budget && row.fit == BudgetFit::Whole)
            row.evaluations = std::min<std::int64_t>(s.setting.generations, *budget / s.setting.mutants) *
                              s.setting.mutants;
        valued[i] = ValuesOf(s, budget, row.fit);
        if (row.hasValues())
            Describe(row, s, valued[i]);
        view.rows.push_back(std::move(row));
    }
    std::stable_sort(view.rows.begin(), view.rows.end(), [](const ViewRow& a, const ViewRow& b) {
        if (Group(a) != Group(b))
            return Group(a) < Group(b);
        if (!a.hasValues())
            return false;
        if (a.q.median != b.q.median)
            return a.q.median < b.q.median;
        if (a.q.q1 != b.q.q1)
            return a.q.q1 < b.q.q1;
        return a.q.best < b.q.best;
    });
    if (view.rows.empty() || Group(view.rows.front()) != 0)
        return view;

    OmnibusTest(view, valued);
    EdgeWarnings(view, data);

    ViewRow& best = view.rows.front();
    best.standing = Standing::Best;
    const Valued& bestValues = valued[best.setting];
    const Setting& bestSetting = data.settings[best.setting].setting;
    if (best.runs < 2) {
        view.comparisonNote = "no setting is compared with the best: the best has one run only";
        for (ViewRow& row : view.rows)
            if (row.standing != Standing::Best)
                row.note = "not tested";
        return view;
    }
    std::vector<std::size_t> compared;
    for (std::size_t r = 1; r < view.rows.size(); ++r) {
        ViewRow& row = view.rows[r];
        if (row.runs == 0) {
            row.note = "no run done";
            continue;
        }
        if (row.fit == BudgetFit::Short) {
            row.note = "runs end before the budget";
            continue;
        }
        if (row.fit == BudgetFit::NoGeneration) {
            row.note = "no generation within the budget";
            continue;
        }
        const std::size_t common = CommonSeeds(bestValues, valued[row.setting]);
        if (common < 2) {
            row.note = common == 0 ? "no seed in common with the best"
                                   : "one seed in common with the best";
            continue;
        }
        row.comparison = Compare(bestValues, valued[row.setting], budget, bestSetting,
                                 data.settings[row.setting].setting, options);
        compared.push_back(r);
    }
    std::vector<double> p;
    for (std::size_t r : compared)
        p.push_back(view.rows[r].comparison->test.p);
    const std::vector<double> adjusted = HolmAdjust(p);
    for (std::size_t c = 0; c < compared.size(); ++c) {
        ViewRow& row = view.rows[compared[c]];
        row.comparison->holmP = adjusted[c];
        if (adjusted[c] >= options.alpha)
            row.standing = Standing::Same;
        else if (row.comparison->medianDifference > 0.0)
            row.standing = Standing::Worse;
        else if (row.comparison->medianDifference < 0.0)
            row.standing = Standing::Better;
        else
            row.standing = Standing::Differs;
    }
    return view;
}

}  // namespace zarudiv
