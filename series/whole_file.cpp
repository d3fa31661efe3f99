#include "series/whole_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "protocol/protocol_file.h"

namespace zarudiv {

std::string WriteWholeFile(const std::string& path, const std::string& bytes)
{
    // A protocol another campaign is writing (it holds the file's lock) is
    // not replaced under its feet.
    const int existing = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (existing >= 0 && ::flock(existing, LOCK_EX | LOCK_NB) != 0) {
        const int cause = errno;
        ::close(existing);
        return IoErrorMessage(cause);
    }
    struct Release {
        int fd;
        ~Release()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } release{existing};
    const std::string part = path + ".part";
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return std::strerror(errno);
    std::size_t done = 0;
    int code = 0;
    while (done < bytes.size() && code == 0) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno != EINTR)
            code = errno;
        else if (written > 0)
            done += static_cast<std::size_t>(written);
    }
    if (code == 0 && ::fsync(fd) != 0)
        code = errno;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (code == 0 && ::rename(part.c_str(), path.c_str()) != 0)
        code = errno;
    if (code != 0) {
        ::unlink(part.c_str());
        return std::strerror(code);
    }
    return {};
}

std::string CheckWritable(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return std::strerror(errno);
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    if (!regular)
        return "not a regular file";
    return {};
}

std::string MakeDirectory(const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error)
        return error.message();
    if (!std::filesystem::is_directory(path, error))
        return "not a directory";
    return {};
}

}  // namespace zarudiv
