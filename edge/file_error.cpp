#include "edge/file_error.h"

#include <cstring>

namespace zarudiv {

std::string FileError::message() const
{
    std::string text;
    if (code == kNotRegularFile)
        text = "not a regular file";
    else if (code == EWOULDBLOCK)
        text = "the file is in use by another program";
    else
        text = std::strerror(code);
    if (directoryNotSynced)
        return "the directory was not synced: " + text;
    return text;
}

FileError LastFileError() { return FileError{errno != 0 ? errno : EIO}; }

}  // namespace zarudiv
