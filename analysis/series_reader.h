#pragma once
// Reads a series database for the analysis: read-only, on a connection of
// its own and without the series' lock, so that it works while a series
// writes the database (WAL mode) and on databases older versions wrote.
// Every SQL query of the analysis is in series_reader.cpp.

#include <stdexcept>
#include <string>

#include "analysis/series_data.h"

namespace zarudiv {

class SeriesReadError : public std::runtime_error {
public:
    enum class Kind {
        CannotOpen,  // no such file, not a regular file, no permission
        NotOurs,     // not SQLite, another program's database, an unknown schema
        Read,        // a query failed (a damaged database, a lock held too long)
    };
    SeriesReadError(Kind kind, const std::string& message)
        : std::runtime_error(message), kind_(kind)
    {
    }
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// Everything the analysis needs, from one consistent snapshot. Throws
// SeriesReadError.
SeriesData ReadSeries(const std::string& fileName);

}  // namespace zarudiv
