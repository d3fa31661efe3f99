#pragma once
// How a campaign's mutants are evaluated; no choice here changes a single
// result.

namespace zarudiv {

enum class StepKind { Fast, Literal };

struct EngineOptions {
    unsigned threads = 0;  // 0: all cores; 1: the calling thread only
    StepKind step = StepKind::Fast;
};

}  // namespace zarudiv
