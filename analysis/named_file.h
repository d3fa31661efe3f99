#pragma once
// A file the report writes, as a name (relative to the directory it goes
// to) and its bytes; the front end writes it.

#include <string>

namespace zarudiv {

struct NamedFile {
    std::string name;
    std::string bytes;
};

}  // namespace zarudiv
