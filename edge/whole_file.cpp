#include "edge/whole_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>

namespace zarudiv {

namespace {

struct Split {
    std::string dir;   // "." for a bare name
    std::string base;  // empty when the path ends in a slash
};

Split SplitPath(const std::string& path)
{
    const std::filesystem::path p(path);
    const std::string dir = p.parent_path().string();
    return Split{dir.empty() ? "." : dir, p.filename().string()};
}

// Closes the descriptor when it goes.
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// The existing target, held by its flock while the new file is written, so
// that no writer of ours starts on it in place meanwhile. A missing target is
// no error.
FileError HoldTarget(const std::string& path, Descriptor& held)
{
    held.fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (held.fd < 0) {
        if (errno == ENOENT)
            return {};
        return FileError{errno == ENXIO ? kNotRegularFile : errno};
    }
    struct stat info {};
    if (::fstat(held.fd, &info) != 0)
        return LastFileError();
    // A rename would put a regular file where a device or a FIFO was.
    if (!S_ISREG(info.st_mode))
        return FileError{kNotRegularFile};
    if (::flock(held.fd, LOCK_EX | LOCK_NB) != 0)
        return LastFileError();
    return {};
}

std::string RandomLetters()
{
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<std::uint64_t> counter{0};
    unsigned char bytes[6] = {};
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        // Without entropy a clash is only less unlikely: O_EXCL still holds.
        std::uint64_t mix = static_cast<std::uint64_t>(
                                std::chrono::steady_clock::now().time_since_epoch().count()) ^
                            (static_cast<std::uint64_t>(::getpid()) << 32) ^ counter.fetch_add(1);
        for (unsigned char& byte : bytes) {
            byte = static_cast<unsigned char>(mix);
            mix = mix * 6364136223846793005ULL + 1442695040888963407ULL;
        }
    }
    std::string letters;
    for (unsigned char byte : bytes)
        letters += kLetters[byte % (sizeof kLetters - 1)];
    return letters;
}

// Creates ".BASE.XXXXXX.tmp" in dir, exclusively and without following a
// link planted there; BASE is cut so that the name stays within NAME_MAX.
int CreateTemporary(const Split& where, std::string& name)
{
    constexpr std::size_t kAround = std::char_traits<char>::length("..XXXXXX.tmp");
    const std::string base = where.base.substr(0, NAME_MAX - kAround);
    for (int attempt = 0; attempt < 64; ++attempt) {
        name = where.dir + "/." + base + "." + RandomLetters() + ".tmp";
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
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

FileError WriteAll(int fd, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno != EINTR)
            return LastFileError();
        if (written > 0)
            done += static_cast<std::size_t>(written);
    }
    if (::fsync(fd) != 0)
        return LastFileError();
    return {};
}

}  // namespace

FileError WriteWholeFile(const std::string& path, std::string_view bytes)
{
    const Split where = SplitPath(path);
    if (where.base.empty())
        return FileError{EISDIR};
    Descriptor target;
    if (const FileError error = HoldTarget(path, target))
        return error;
    std::string temporary;
    const int fd = CreateTemporary(where, temporary);
    if (fd < 0)
        return LastFileError();
    FileError error = WriteAll(fd, bytes);
    if (::close(fd) != 0 && !error)
        error = LastFileError();
    if (!error && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = LastFileError();
    if (error) {
        ::unlink(temporary.c_str());
        return error;
    }
    if (const int code = SyncDirectory(where.dir); code != 0)
        return FileError{code, true};
    return {};
}

FileError CheckWholeFileTarget(const std::string& path)
{
    const Split where = SplitPath(path);
    if (where.base.empty())
        return FileError{EISDIR};
    {
        Descriptor target;
        if (const FileError error = HoldTarget(path, target))
            return error;
    }
    std::string probe;
    const int fd = CreateTemporary(where, probe);
    if (fd < 0)
        return LastFileError();
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

std::string PrepareOutputDirectory(const std::string& path)
{
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_directory(status))
        return "not a directory";
    std::filesystem::create_directories(path, error);
    if (error)
        return "the directory cannot be made (" + error.message() + ")";
    std::string probe;
    const int fd = CreateTemporary(Split{path, "zarudiv-probe"}, probe);
    if (fd < 0)
        return std::string("no file can be written there (") + std::strerror(errno) + ")";
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

}  // namespace zarudiv
