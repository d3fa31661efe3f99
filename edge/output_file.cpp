#include "edge/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarudiv {

namespace {

InPlaceFile Refuse(int fd, int code)
{
    ::close(fd);
    return InPlaceFile{-1, FileError{code}};
}

}  // namespace

InPlaceFile OpenInPlace(const std::string& path)
{
    // Without O_NONBLOCK the open of a FIFO waits for a reader, for ever.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        // ENXIO: a FIFO nobody reads, or a socket.
        const int code = errno;
        return InPlaceFile{-1, FileError{code == ENXIO ? kNotRegularFile : code}};
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return Refuse(fd, errno);
    const bool regular = S_ISREG(info.st_mode);
    if (!regular && !S_ISCHR(info.st_mode))
        return Refuse(fd, kNotRegularFile);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return Refuse(fd, errno);
    // A device keeps nothing to protect, and two programs may well write
    // /dev/null at once.
    if (regular && (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd, 0) != 0))
        return Refuse(fd, errno);
    return InPlaceFile{fd, FileError{}};
}

}  // namespace zarudiv
