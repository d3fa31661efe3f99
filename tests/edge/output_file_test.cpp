// Output files: what is refused before anything changes (another program's
// file, a FIFO, a socket, a directory), what a failed write leaves (the old
// file and no temporary one), and that a planted link is never followed.

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
#include "tests/support/small_mount.h"
#include "tests/support/temp_dir.h"

namespace {

using zarudiv::FileError;
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

// A descriptor on path that holds its flock, as a running protocol does.
struct Holder {
    explicit Holder(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_CLOEXEC))
    {
        EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    }
    ~Holder() { ::close(fd); }
    int fd;
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
    // A device is never renamed over.
    EXPECT_EQ(zarudiv::WriteWholeFile("/dev/null", "x").code, kNotRegularFile);

    // A held file is kept as it is.
    TempDir dir;
    const std::string held = dir.file("held.csv");
    MakeFile(dir, held);
    const Holder holder(held);
    EXPECT_EQ(zarudiv::WriteWholeFile(held, "new").message(), "the file is in use by another program");
    EXPECT_EQ(ReadBytes(held), "old\n");
}

TEST(OutputFileTest, AWholeFileFollowsNoLinkPlantedBesideIt)
{
    TempDir dir;
    const std::string victim = dir.file("victim.txt");
    std::ofstream(victim) << "precious\n";
    // The names an older writer used: a link there must lead nowhere.
    std::filesystem::create_symlink(victim, dir.file("out.csv.part"));
    std::ofstream(dir.file("X.doc.part")) << "the user's own\n";
    ::umask(022);
    ASSERT_FALSE(zarudiv::WriteWholeFile(dir.file("out.csv"), "table\n"));
    ASSERT_FALSE(zarudiv::WriteWholeFile(dir.file("X.doc"), "protocol\n"));
    EXPECT_EQ(ReadBytes(victim), "precious\n");
    EXPECT_EQ(ReadBytes(dir.file("X.doc.part")), "the user's own\n");
    EXPECT_FALSE(std::filesystem::is_symlink(dir.file("out.csv")));
    EXPECT_EQ(ReadBytes(dir.file("out.csv")), "table\n");
    EXPECT_EQ(std::filesystem::status(dir.file("out.csv")).permissions(),
              std::filesystem::perms(0644));
    EXPECT_EQ(Names(dir.path()),
              (std::vector<std::string>{"X.doc", "X.doc.part", "out.csv", "out.csv.part", "victim.txt"}));

    // A name at the limit still gets a temporary name beside it.
    const std::string longest = dir.file(std::string(255, 'n'));
    EXPECT_FALSE(zarudiv::WriteWholeFile(longest, "long\n"));
    EXPECT_EQ(ReadBytes(longest), "long\n");
}

TEST(OutputFileTest, AFullDiskIsSaidAsSuchAndLeavesTheOldFile)
{
    zarudiv::testing::SmallMount disk("size=16k");
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    const std::string path = disk.dir().file("table.csv");
    std::ofstream(path) << "old\n";
    const FileError error = zarudiv::WriteWholeFile(path, std::string(64 * 1024, 'x'));
    EXPECT_TRUE(error.noSpace()) << error.message();
    EXPECT_EQ(error.message(), "No space left on device");
    EXPECT_EQ(ReadBytes(path), "old\n");
    EXPECT_EQ(Names(disk.dir().path()), std::vector<std::string>{"table.csv"});
}

TEST(OutputFileTest, AnOutputDirectoryIsMadeAndProbed)
{
    TempDir dir;
    std::ofstream(dir.file("a-file")) << "x";
    EXPECT_EQ(zarudiv::PrepareOutputDirectory(dir.file("new/deeper")), "");
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("new/deeper")));
    EXPECT_TRUE(Names(dir.file("new/deeper")).empty());
    EXPECT_EQ(zarudiv::PrepareOutputDirectory(dir.file("a-file")), "not a directory");
    EXPECT_EQ(zarudiv::PrepareOutputDirectory(dir.file("a-file/pics")),
              "the directory cannot be made (Not a directory)");
    zarudiv::testing::SmallMount readOnly("ro,size=16k");
    if (!readOnly.mounted())
        GTEST_SKIP() << readOnly.reason();
    EXPECT_EQ(zarudiv::PrepareOutputDirectory(readOnly.dir().path().string()),
              "no file can be written there (Read-only file system)");
}

}  // namespace
