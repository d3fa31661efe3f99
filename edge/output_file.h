#pragma once
// A file written in place, as it grows (the protocol, the runner's log):
// opened without blocking, held with the same flock every writer of ours
// takes (a protocol, a log, a series database), and only then truncated, so
// that a file another program is writing is refused before anything in it
// changes.

#include <string>

#include "edge/file_error.h"

namespace zarudiv {

struct InPlaceFile {
    int fd = -1;  // the caller's to close; closing it lets the file go
    FileError error;
};

// Creates the file (mode 0644 less the umask) or opens it and truncates it
// once it is held. A FIFO, a socket or a directory is refused; a character
// device (/dev/null, /dev/full) is written as it is, without a lock.
InPlaceFile OpenInPlace(const std::string& path);

}  // namespace zarudiv
