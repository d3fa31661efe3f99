#pragma once
// The outputs of one command must be files of their own: a log written over
// the protocol, a table that is the database's write-ahead log, would each
// destroy the other. Names are compared as the files they lead to.

#include <string>
#include <vector>

namespace zarudiv {

struct OutputName {
    std::string label;  // as the message names it: "--log ./p.doc", "the -wal file of --db s.sqlite"
    std::string path;
};

// The first two outputs that are one file (the same name, "./", "..",
// symbolic links, hard links of an existing file), as a message naming both;
// "" when every output has a file of its own.
std::string SameFileConflict(const std::vector<OutputName>& outputs);

}  // namespace zarudiv
