#pragma once
// The runs in the file format of IOHprofiler's analyzer: one problem (the
// diffusion law, 40 coefficients, minimised), each setting an algorithm in
// a directory of its own, each run a block of (evaluations, best-so-far Q)
// rows where the best improved, ending with the run's last evaluation:
//   G1000_M30_P1000/IOHprofiler_f1_diffusion.info
//   G1000_M30_P1000/data_f1_diffusion/IOHprofiler_f1_DIM40.dat

#include <vector>

#include "analysis/named_file.h"
#include "analysis/series_data.h"

namespace zarudiv {

// The two files of one setting (none without a done run): a setting at a
// time, so that a large series is never held as text whole.
std::vector<NamedFile> IohFiles(const SettingRuns& setting);

}  // namespace zarudiv
