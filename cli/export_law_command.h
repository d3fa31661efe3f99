#pragma once
// zarudiv-series export-law --db DB --run ID [--out FILE]: a run's best law as
// a law file.

#include <string>
#include <vector>

namespace zarudiv {

// args: what follows "export-law". Returns the exit code; messages on stderr.
int RunExportLawCommand(const std::vector<std::string>& args);

std::string ExportLawUsage();

}  // namespace zarudiv
