#pragma once
// The program's version and the git commit it was built from, for the files
// that say which program wrote them (laws, checkpoints, series plans).

#include <string>

namespace zarudiv {

const char* ProgramVersion();  // "0.1"
const char* ProgramCommit();   // "9659224d1e2a" ("-dirty" when built with changes), or "unknown"

// "zarudiv 0.1 (git 9659224d1e2a)"
inline std::string ProgramIdentity()
{
    return std::string("zarudiv ") + ProgramVersion() + " (git " + ProgramCommit() + ")";
}

}  // namespace zarudiv
