#pragma once
// A diffusion law: the activator and inhibitor coefficients a campaign
// evolves, with the step width that was mutated and inherited with them.

#include "evolution/tvector.h"

namespace zarudiv {

// Every vector of a campaign has 20 elements.
inline constexpr int kCampaignSites = 20;

struct Law {
    TVector activator;  // count n, coefficients 1..n
    TVector inhibitor;
    long double step = 0.0L;

    friend bool operator==(const Law&, const Law&) = default;
};

// The law a campaign's parent starts from: all coefficients 0.
Law ZeroLaw(long double step, int n = kCampaignSites);

}  // namespace zarudiv
