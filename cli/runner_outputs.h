#pragma once
// Every file one zarudiv-run writes, named as the options name it, so that
// two of them can be refused before anything is written when they are one
// file.

#include <vector>

#include "cli/runner_options.h"
#include "edge/same_file.h"

namespace zarudiv {

std::vector<OutputName> RunnerOutputs(const RunnerOptions& options);

}  // namespace zarudiv
