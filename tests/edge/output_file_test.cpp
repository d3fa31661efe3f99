// Output files: what is refused before anything changes (another program's
// file, a FIFO, a socket, a directory), and that nothing is left beside.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "edge/output_file.h"
#include "edge/whole_file.h"
#include "tests/support/temp_dir.h"

namespace {

using zarudiv::kNotRegularFile;
using zarudiv::testing::ReadBytes;
using zarudiv::testing::TempDir;

// The names in dir, so that a test sees every file left behind.
std::vector<std::string> Names(const std::filesystem::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// An open that would block for ever ends the test program instead.
struct Deadline {
    Deadline() { ::alarm(20); }
    ~Deadline() { ::alarm(0); }
};

// What each kind of target gives: the same for a file written in place and
// one written whole.
struct Target {
    const char* name;
    std::function<void(const TempDir&, const std::string&)> make;
    int code;  // 0: written
};

void MakeFile(const TempDir&, const std::string& path) { std::ofstream(path) << "old\n"; }

const Target kTargets[] = {
    {"a new file", [](const TempDir&, const std::string&) {}, 0},
    {"an existing file", MakeFile, 0},
    {"a FIFO without a reader",
     [](const TempDir&, const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); },
     kNotRegularFile},
    {"a directory",
     [](const TempDir&, const std::string& path) { std::filesystem::create_directory(path); },
     EISDIR},
    {"a socket",
     [](const TempDir&, const std::string& path) {
         const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
         ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
         ::close(fd);
     },
     kNotRegularFile},
};

TEST(OutputFileTest, InPlaceRefusesWhatIsNotAFileWithoutBlocking)
{
    for (const Target& target : kTargets) {
        SCOPED_TRACE(target.name);
        TempDir dir;
        const std::string path = dir.file("out");
        target.make(dir, path);
        const Deadline deadline;
        const zarudiv::InPlaceFile file = zarudiv::OpenInPlace(path);
        EXPECT_EQ(file.error.code, target.code) << file.error.message();
        if (target.code == 0) {
            ASSERT_GE(file.fd, 0);
            EXPECT_EQ(std::filesystem::file_size(path), 0u);
            // It is held: a second writer is refused, and the file kept.
            ASSERT_EQ(::write(file.fd, "new", 3), 3);
            EXPECT_TRUE(zarudiv::OpenInPlace(path).error.inUse());
            EXPECT_TRUE(zarudiv::WriteWholeFile(path, "other").inUse());
            EXPECT_EQ(ReadBytes(path), "new");
            ::close(file.fd);
        } else {
            EXPECT_EQ(file.fd, -1);
        }
    }
    // Devices are written as they are and held by nobody: two runs may log
    // to /dev/null at once.
    const zarudiv::InPlaceFile one = zarudiv::OpenInPlace("/dev/null");
    const zarudiv::InPlaceFile two = zarudiv::OpenInPlace("/dev/null");
    EXPECT_FALSE(one.error);
    EXPECT_FALSE(two.error);
    ::close(one.fd);
    ::close(two.fd);
}

TEST(OutputFileTest, WholeFilesReplaceOnlyWhatMayBeReplacedAndLeaveNothingBeside)
{
    for (const Target& target : kTargets) {
        SCOPED_TRACE(target.name);
        TempDir dir;
        const std::string path = dir.file("out");
        target.make(dir, path);
        const std::vector<std::string> before = Names(dir.path());
        const Deadline deadline;
        EXPECT_EQ(zarudiv::CheckWholeFileTarget(path).code, target.code);
        EXPECT_EQ(zarudiv::WriteWholeFile(path, "whole\n").code, target.code);
        EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"out"});
        if (target.code == 0) {
            EXPECT_EQ(ReadBytes(path), "whole\n");
        } else {
            EXPECT_FALSE(std::filesystem::is_regular_file(path));
        }
    }
    // A device is never renamed over; a name at the limit still gets a
    // temporary name beside it.
    EXPECT_EQ(zarudiv::WriteWholeFile("/dev/null", "x").code, kNotRegularFile);
    TempDir dir;
    const std::string longest = dir.file(std::string(255, 'n'));
    EXPECT_FALSE(zarudiv::WriteWholeFile(longest, "long\n"));
    EXPECT_EQ(ReadBytes(longest), "long\n");
}

}  // namespace
