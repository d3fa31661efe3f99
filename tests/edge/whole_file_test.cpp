// Files written whole: a file that may not be written is kept, not replaced
// by the rename that makes a write whole, and nothing is left beside it.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "edge/whole_file.h"
#include "tests/support/temp_dir.h"

namespace {

using zarudiv::testing::ReadBytes;
using zarudiv::testing::TempDir;

// What WriteWholeFile says when this process may write the directory but not
// the file. Root may write any file: then a child that gave up root tries.
std::string WriteAsUnprivileged(const std::string& path, const std::string& bytes)
{
    if (::geteuid() != 0)
        return zarudiv::WriteWholeFile(path, bytes).message();
    int channel[2];
    if (::pipe(channel) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::string answer = "cannot give up root";
        if (::setgid(65534) == 0 && ::setuid(65534) == 0)
            answer = zarudiv::WriteWholeFile(path, bytes).message();
        const ssize_t written = ::write(channel[1], answer.data(), answer.size());
        ::_exit(written == static_cast<ssize_t>(answer.size()) ? 0 : 1);
    }
    ::close(channel[1]);
    std::string answer;
    char buffer[256];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, static_cast<std::size_t>(got));
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    return answer;
}

TEST(WholeFileTest, AFileThatMayNotBeWrittenIsKept)
{
    TempDir dir;
    // Anyone may make files in the directory, so the rename itself would work.
    ::chmod(dir.path().c_str(), 0777);
    const std::string path = dir.file("table.csv");
    std::ofstream(path) << "somebody's table\n";
    ::chmod(path.c_str(), 0444);

    EXPECT_EQ(WriteAsUnprivileged(path, "new table\n"), "Permission denied");
    EXPECT_EQ(ReadBytes(path), "somebody's table\n");
    EXPECT_EQ(zarudiv::CheckWholeFileTarget(path).code, ::geteuid() == 0 ? 0 : EACCES);

    // Where the file may be written, it is replaced whole.
    ::chmod(path.c_str(), 0644);
    EXPECT_FALSE(zarudiv::WriteWholeFile(path, "new table\n"));
    EXPECT_EQ(ReadBytes(path), "new table\n");
    EXPECT_FALSE(zarudiv::CheckWholeFileTarget(path));
    EXPECT_EQ(zarudiv::CheckWholeFileTarget(dir.file("missing/t.csv")).message(),
              "No such file or directory");
    // Checking leaves nothing behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
