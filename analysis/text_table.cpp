#include "analysis/text_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zarudiv {

std::string TextTable::render() const
{
    std::vector<std::size_t> widths;
    for (const Column& c : columns_)
        widths.push_back(c.header.size());
    for (const auto& row : rows_)
        for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    const auto line = [&](const std::vector<std::string>& cells) {
        std::string text;
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            const std::string cell = i < cells.size() ? cells[i] : std::string();
            if (i > 0)
                text += "  ";
            const std::string pad(widths[i] - std::min(widths[i], cell.size()), ' ');
            text += columns_[i].align == Align::Left ? cell + pad : pad + cell;
        }
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        return text + "\n";
    };
    std::vector<std::string> headers;
    for (const Column& c : columns_)
        headers.push_back(c.header);
    std::string text = line(headers);
    for (const auto& row : rows_)
        text += line(row);
    return text;
}

// The C locale's formats: the report's programs keep LC_NUMERIC at "C"
// (Qt would take it from the environment), and the text has to read the
// same everywhere.
std::string Decimal(double value, int decimals)
{
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string SignedDecimal(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%+.*f", decimals, value);
    return text;
}

std::string PValue(double p)
{
    char text[32];
    std::snprintf(text, sizeof text, p != 0.0 && p < 1e-4 ? "%.3e" : "%.4f", p);
    return text;
}

}  // namespace zarudiv
