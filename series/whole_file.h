#pragma once
// Files the series writes whole: protocols, the CSV table, the pictures.

#include <string>

namespace zarudiv {

// Writes bytes to path: first to "path.part", then onto the disk (fsync),
// then renamed to path and the directory synced, so that the file is either
// whole or as it was. An existing file that cannot be opened for writing (or
// that another campaign holds) is kept as it is: that is a failure, not a
// reason to replace it. Returns the cause of a failure, or "".
std::string WriteWholeFile(const std::string& path, const std::string& bytes);

// Checks that WriteWholeFile can write path, creating nothing that stays: an
// existing file must be a regular file that opens for writing, and its
// directory must take a new file. Returns the cause of a failure, or "".
std::string CheckWritable(const std::string& path);

// Creates the directory (and its parents) when missing, and checks that a
// file can be written in it (a probe file, removed at once). Returns the
// cause of a failure, or "".
std::string PrepareDirectory(const std::string& path);

}  // namespace zarudiv
