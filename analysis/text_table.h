#pragma once
// A plain-text table: each column as wide as its widest cell, two spaces
// apart; text columns flush left, numbers flush right.

#include <string>
#include <vector>

namespace zarudiv {

class TextTable {
public:
    enum class Align { Left, Right };
    struct Column {
        std::string header;
        Align align = Align::Right;
    };

    explicit TextTable(std::vector<Column> columns) : columns_(std::move(columns)) {}

    // A row with fewer cells than columns leaves the rest empty.
    void add(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }

    std::string render() const;

private:
    std::vector<Column> columns_;
    std::vector<std::vector<std::string>> rows_;
};

// printf-style number formats, always with a decimal point whatever the locale.
std::string Decimal(double value, int decimals);
std::string SignedDecimal(double value, int decimals);
// Four decimals, or four digits with an exponent below 0.0001.
std::string PValue(double p);

}  // namespace zarudiv
