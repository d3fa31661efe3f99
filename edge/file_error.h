#pragma once
// What went wrong with a file the programs write: an operating-system error,
// or one of the checks made before anything in a file is changed. The
// messages are English; the protocol words its own.

#include <cerrno>
#include <string>

namespace zarudiv {

// The code of a FIFO, a socket or a device where a regular file is wanted:
// writing it would block, or replace something that is not the user's file.
inline constexpr int kNotRegularFile = -1;

struct FileError {
    // errno; EWOULDBLOCK: another program holds the file (its flock);
    // kNotRegularFile; 0: no error.
    int code = 0;
    // The file was written whole and renamed into place, but its directory
    // could not be synced: the rename may not survive a power cut.
    bool directoryNotSynced = false;

    explicit operator bool() const { return code != 0; }
    bool noSpace() const { return code == ENOSPC || code == EDQUOT; }
    bool inUse() const { return code == EWOULDBLOCK; }
    // "the file is in use by another program", "not a regular file",
    // "No space left on device", ...
    std::string message() const;
};

// The error errno names now.
FileError LastFileError();

}  // namespace zarudiv
