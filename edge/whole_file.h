#pragma once
// Files written whole (tables, pictures, the series' protocols, law and
// checkpoint files): the bytes go to a temporary file of a name nobody can
// guess, created exclusively beside the target, then onto the disk (fsync),
// then renamed over the target and the directory synced. A reader sees the
// old file or the new one, never a part; a failure leaves the old one and no
// temporary file.

#include <string>
#include <string_view>

#include "edge/file_error.h"

namespace zarudiv {

// Writes bytes to path. An existing target must be a regular file that this
// process may write and that no other program holds (the flock every writer
// of ours takes); otherwise it is kept as it is and that is the error. A full
// disk is FileError::noSpace().
FileError WriteWholeFile(const std::string& path, std::string_view bytes);

// Checks, creating nothing that stays, that WriteWholeFile could write path
// now: the existing target as above, and a new file in its directory.
FileError CheckWholeFileTarget(const std::string& path);

// Makes the directory (and its parents) when missing and checks that a file
// can be written in it (a probe, removed at once). Returns what is wrong ("not
// a directory", "the directory cannot be made (...)", "no file can be written
// there (...)"), or "".
std::string PrepareOutputDirectory(const std::string& path);

}  // namespace zarudiv
