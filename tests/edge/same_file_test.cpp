// Two outputs of one command are one file however their names differ.

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "edge/same_file.h"
#include "tests/support/temp_dir.h"

namespace {

using zarudiv::OutputName;
using zarudiv::SameFileConflict;

// Each case runs in a fresh directory that holds "p.doc" and "sub/", with
// links made as the case says.
struct Case {
    const char* name;
    const char* first;
    const char* second;
    bool same;
};

const Case kCases[] = {
    {"the same name", "p.doc", "p.doc", true},
    {"through ./", "p.doc", "./p.doc", true},
    {"through ..", "p.doc", "sub/../p.doc", true},
    {"an absolute name", "p.doc", "@/p.doc", true},
    {"a symbolic link", "p.doc", "link.doc", true},
    {"a hard link", "p.doc", "hard.doc", true},
    {"a file not made yet, two ways", "new.csv", "sub/../new.csv", true},
    {"a link to a file not made yet", "dangling.csv", "new.csv", true},
    {"a database's write-ahead log", "s.sqlite-wal", "./s.sqlite-wal", true},
    {"two files", "p.doc", "q.doc", false},
    {"two files not made yet", "a.csv", "sub/a.csv", false},
    {"a directory's file and the directory", "sub", "sub/p.doc", false},
};

TEST(SameFileTest, NamesOfOneFileAreFoundAndNamedInTheMessage)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        zarudiv::testing::TempDir dir;
        std::ofstream(dir.file("p.doc")) << "protocol\n";
        std::ofstream(dir.file("q.doc")) << "other\n";
        std::filesystem::create_directory(dir.file("sub"));
        std::filesystem::create_symlink("p.doc", dir.file("link.doc"));
        std::filesystem::create_hard_link(dir.file("p.doc"), dir.file("hard.doc"));
        std::filesystem::create_symlink("new.csv", dir.file("dangling.csv"));
        const auto resolve = [&](std::string name) {
            return name[0] == '@' ? dir.path().string() + name.substr(1) : name;
        };
        // Relative names are taken from the working directory, as a program's are.
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        const std::string message =
            SameFileConflict({{"--protocol " + std::string(c.first), resolve(c.first)},
                              {"--plots x (x/Image1.png)", "x/Image1.png"},
                              {"--log " + std::string(c.second), resolve(c.second)}});
        std::filesystem::current_path(previous);
        if (c.same)
            EXPECT_EQ(message, "--protocol " + std::string(c.first) + " and --log " + c.second +
                                   " name the same file; give each output a file of its own");
        else
            EXPECT_EQ(message, "");
    }
}

}  // namespace
