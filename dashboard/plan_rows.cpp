#include "dashboard/plan_rows.h"

#include <SQLiteCpp/Statement.h>

#include <charconv>

namespace zarudiv {

std::vector<int> ParseStoredList(const std::string& text)
{
    std::vector<int> values;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        int value = 0;
        const auto [next, error] = std::from_chars(p, end, value);
        if (error != std::errc() || next == p || value < 0)
            return {};
        values.push_back(value);
        p = next;
        if (p < end && *p++ != ',')
            return {};
        if (p == end && text.back() == ',')
            return {};
    }
    return values;
}

std::vector<PlanStarts> ReadPlans(SQLite::Database& db)
{
    SQLite::Statement select(db, "SELECT id, command_line, started, program_version, host, "
                                 "generations, mutants, step_ppm, first_seed, repeat FROM plans "
                                 "ORDER BY id");
    std::vector<PlanStarts> plans;
    while (select.executeStep()) {
        SeriesPlan plan;
        plan.generations = ParseStoredList(select.getColumn(5).getString());
        plan.mutants = ParseStoredList(select.getColumn(6).getString());
        plan.steps = ParseStoredList(select.getColumn(7).getString());
        const std::int64_t firstSeed = select.getColumn(8).getInt64();
        const std::int64_t repeat = select.getColumn(9).getInt64();
        if (plan.generations.empty() || plan.mutants.empty() || plan.steps.empty() ||
            firstSeed < 0 || firstSeed > 0xFFFFFFFFLL || repeat < 1 || repeat > 0xFFFFFFFFLL)
            continue;
        plan.firstSeed = static_cast<std::uint32_t>(firstSeed);
        plan.repeat = static_cast<std::uint32_t>(repeat);

        const std::int64_t id = select.getColumn(0).getInt64();
        const std::string started = select.getColumn(2).getString();
        PlanStarts* group = nullptr;
        for (PlanStarts& known : plans)
            if (known.plan.generations == plan.generations && known.plan.mutants == plan.mutants &&
                known.plan.steps == plan.steps && known.plan.firstSeed == plan.firstSeed &&
                known.plan.repeat == plan.repeat)
                group = &known;
        if (!group) {
            plans.push_back(PlanStarts{});
            group = &plans.back();
            group->key = id;
            group->plan = plan;
            group->firstStarted = started;
        }
        group->startIds.push_back(id);
        group->lastStarted = started;
        group->commandLine = select.getColumn(1).getString();
        group->version = select.getColumn(3).getString();
        group->host = select.getColumn(4).getString();
    }
    return plans;
}

}  // namespace zarudiv
