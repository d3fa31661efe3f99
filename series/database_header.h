#pragma once
// What the first 100 bytes of a file say about it, read without SQLite: a
// damaged series database and a file that is no database at all call for
// different advice.

namespace zarudiv {

enum class DatabaseHeader {
    NotSqlite,  // empty, short, or another kind of file
    Sqlite,     // an SQLite database of another program (or of none)
    Series,     // an SQLite database with the series' application id
};

// Reads the header through the descriptor, leaving its offset alone.
DatabaseHeader ReadDatabaseHeader(int fd);

}  // namespace zarudiv
