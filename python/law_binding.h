#pragma once
// zarudiv.Law: a law with what its law file says about it (the campaign it
// came from, its generation and Q), and where it was read from or written to.

#include <pybind11/pybind11.h>

#include <optional>
#include <string>

#include "campaign/law_file.h"

namespace zarudiv::python {

struct PythonLaw {
    LawRecord record;
    // The file it was read from or last written to, or how it was read
    // otherwise; names it in errors and in a start-law line.
    std::optional<std::string> source;
    bool fromFile = false;  // record.checksum is the file's

    // The start-law line of a campaign whose parent starts from this law.
    std::string startLawNote(bool lawStep) const;
};

void BindLaw(pybind11::module_& m);

}  // namespace zarudiv::python
