#pragma once
// Vargha and Delaney's A12: the chance that a value drawn from the first
// sample is lower than one drawn from the second, ties counting half. Here
// lower Q is better, so A12(best, other) is how often the best setting's
// run ends better than the other's: 0.5 means no difference; 0.56, 0.64
// and 0.71 are the usual bounds of a small, medium and large effect.

#include <vector>

namespace zarudiv {

// Both samples non-empty.
double ChanceOfLower(const std::vector<double>& first, const std::vector<double>& second);

}  // namespace zarudiv
