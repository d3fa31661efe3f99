#pragma once
// Holm's step-down adjustment of p-values for a family of tests: with the
// m p-values in ascending order p(1) <= ... <= p(m), the adjusted p(i) is
// the largest of min(1, (m - j + 1) p(j)) over j <= i. It keeps the chance
// of any false rejection in the family at most alpha.

#include <vector>

namespace zarudiv {

// Adjusted p-values, in the order given.
std::vector<double> HolmAdjust(const std::vector<double>& p);

}  // namespace zarudiv
