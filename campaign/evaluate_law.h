#pragma once
// A law taken out of a campaign, put back in: the campaign's start vector
// developed under it for the campaign's model steps, exactly as a mutant is
// evaluated, and its quality against the target. The Q is the campaign's own
// for the law, bit for bit.

#include "campaign/law.h"
#include "evolution/tvector.h"

namespace zarudiv {

struct LawEvaluation {
    double q = 0.0;     // stored as the campaign stores a mutant's Q
    TVector start;      // the campaign's start vector
    TVector target;     // and its target
    TVector developed;  // the start vector after the model steps
};

// Throws FloatingPointFault where a mutant with this law would end the
// campaign (a state that overflows, say).
LawEvaluation EvaluateLaw(const Law& law);

}  // namespace zarudiv
