#include "dashboard/run_law.h"

#include <SQLiteCpp/Statement.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "campaign/law_file.h"
#include "dashboard/overview.h"

namespace zarudiv {

std::optional<LawCoefficients> ParseLawCoefficients(const std::string& text)
{
    LawRecord record;
    try {
        record = ParseLawFile(text, "runs.best_law");
    } catch (const LawFileError&) {
        return std::nullopt;
    }
    LawCoefficients law;
    for (int i = 1; i <= kCampaignSites; ++i) {
        law.activator.push_back(static_cast<double>(record.law.activator[i]));
        law.inhibitor.push_back(static_cast<double>(record.law.inhibitor[i]));
    }
    return law;
}

nlohmann::json RunLaw(SQLite::Database& db, const std::set<std::string>& runColumns,
                      std::int64_t runId)
{
    if (runColumns.count("best_law") == 0)
        return {{"available", false},
                {"reason", "diese Datenbank wurde geschrieben, bevor die Serie das beste Gesetz jedes Laufs speicherte"}};
    const bool hasStep = runColumns.count("best_step") != 0;
    SQLite::Statement select(db, std::string("SELECT best_law, ") +
                                     (hasStep ? "best_step" : "NULL") + " FROM runs WHERE id = ?");
    select.bind(1, runId);
    if (!select.executeStep() || select.getColumn(0).isNull())
        return {{"available", false}, {"reason", "zu diesem Lauf ist keines gespeichert"}};
    const std::string text = select.getColumn(0).getString();
    nlohmann::json law = {{"available", true}, {"text", text}, {"step", ColumnValue(select.getColumn(1))}};
    if (const std::optional<LawCoefficients> coefficients = ParseLawCoefficients(text)) {
        law["activator"] = coefficients->activator;
        law["inhibitor"] = coefficients->inhibitor;
    }
    return law;
}

}  // namespace zarudiv
