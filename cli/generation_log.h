#pragma once
// The runner's per-generation log: one CSV row per generation, the reals with
// 17 significant digits so that a reader gets back the very doubles the
// campaign stored.

#include <cstdio>
#include <string>

#include "campaign/campaign_display.h"
#include "edge/exact_real.h"

namespace zarudiv {

class GenerationLog {
public:
    GenerationLog() = default;
    ~GenerationLog();
    GenerationLog(const GenerationLog&) = delete;
    GenerationLog& operator=(const GenerationLog&) = delete;

    // Creates or truncates the file, once it is held (a file another
    // program of ours writes is refused as it is), and writes the header
    // line. Returns an error text naming the file, or "".
    std::string open(const std::string& fileName);
    // After the first failed write the rest is dropped; close() reports it.
    void write(const GenerationRecord& record);
    // Writes out the rest, has it reach the disk and closes the file. Returns
    // the first error as a text naming the file, or "".
    std::string close();

private:
    void noteError(int code);

    std::FILE* file_ = nullptr;
    std::string name_;
    int error_ = 0;
};

// One row without its line end: "generation,evaluations,best_q,step_width,accepted".
std::string GenerationLogRow(const GenerationRecord& record);

}  // namespace zarudiv
