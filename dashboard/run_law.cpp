#include "dashboard/run_law.h"

#include <SQLiteCpp/Statement.h>

#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>

#include "dashboard/overview.h"

namespace zarudiv {

namespace {

constexpr std::size_t kCoefficients = 20;

// A coefficient's line holds its exact value (a hexadecimal float) and a
// decimal beside it; the decimal is the last number on the line.
std::optional<double> DecimalOfCoefficientLine(const std::string& line)
{
    static const std::regex hexFloat(R"([+-]?0[xX][0-9a-fA-F]+(\.[0-9a-fA-F]*)?[pP][+-]?[0-9]+)");
    if (!std::regex_search(line, hexFloat))
        return std::nullopt;
    std::istringstream words(line);
    std::optional<double> last;
    for (std::string word; words >> word;) {
        while (!word.empty() && (word.back() == ',' || word.back() == ';'))
            word.pop_back();
        if (word.empty() || word.find_first_of("xX") != std::string::npos)
            continue;
        char* end = nullptr;
        const double value = std::strtod(word.c_str(), &end);
        if (end == word.c_str() + word.size() && std::isfinite(value))
            last = value;
    }
    return last;
}

}  // namespace

std::optional<LawCoefficients> ParseLawCoefficients(const std::string& text)
{
    std::vector<double> values;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (const std::optional<double> value = DecimalOfCoefficientLine(line))
            values.push_back(*value);
    if (values.size() != 2 * kCoefficients)
        return std::nullopt;
    LawCoefficients law;
    law.activator.assign(values.begin(), values.begin() + kCoefficients);
    law.inhibitor.assign(values.begin() + kCoefficients, values.end());
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
