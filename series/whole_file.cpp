#include "series/whole_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "protocol/protocol_file.h"

namespace zarudiv {

namespace {

std::string DirectoryOf(const std::string& path)
{
    const std::string parent = std::filesystem::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

// A rename is on the disk only once its directory is.
int SyncDirectory(const std::string& dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int code = 0;
    // Some file systems cannot sync a directory; they keep renames anyway.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
        code = errno;
    ::close(fd);
    return code;
}

// Whether a new file can be made in dir: one is, and removed at once.
std::string ProbeDirectory(const std::string& dir)
{
    std::string name = dir;
    if (name.empty() || name.back() != '/')
        name += '/';
    name += ".zarudiv-probe-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return std::strerror(errno);
    ::close(fd);
    ::unlink(name.c_str());
    return {};
}

}  // namespace

std::string WriteWholeFile(const std::string& path, const std::string& bytes)
{
    // A protocol another campaign is writing (it holds the file's lock) is
    // not replaced under its feet; nor is a file this process may not write.
    const int existing = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (existing < 0 && errno != ENOENT)
        return std::strerror(errno);
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
    if (const int synced = SyncDirectory(DirectoryOf(path)); synced != 0)
        return std::string("the directory was not synced: ") + std::strerror(synced);
    return {};
}

std::string CheckWritable(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode))
            return "not a regular file";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return std::strerror(errno);
        ::close(fd);
    }
    return ProbeDirectory(DirectoryOf(path));
}

std::string PrepareDirectory(const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error)
        return error.message();
    if (!std::filesystem::is_directory(path, error))
        return "not a directory";
    if (const std::string problem = ProbeDirectory(path); !problem.empty())
        return "no file can be written there (" + problem + ")";
    return {};
}

}  // namespace zarudiv
