#pragma once
// Files the series writes whole: protocols, the CSV table.

#include <string>

namespace zarudiv {

// Writes bytes to path: first to "path.part", then onto the disk (fsync),
// then renamed to path, so that the file is either whole or as it was.
// Returns the cause of a failure (strerror), or "".
std::string WriteWholeFile(const std::string& path, const std::string& bytes);

// Checks, without changing an existing file, that path can be written:
// creates it when missing. Returns the cause of a failure, or "".
std::string CheckWritable(const std::string& path);

// Creates the directory (and its parents) when missing. Returns the cause of
// a failure, or "".
std::string MakeDirectory(const std::string& path);

}  // namespace zarudiv
