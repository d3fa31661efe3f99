#pragma once
// Order statistics of a sample. Quantiles interpolate linearly between the
// order statistics (Hyndman and Fan's type 7, the default of R and NumPy):
// for n sorted values x[0..n-1] the p-quantile is x[j] + g (x[j+1] - x[j])
// with h = (n - 1) p, j = floor(h), g = h - j.

#include <vector>

namespace zarudiv {

// sorted must be sorted ascending and not empty; 0 <= p <= 1.
double Quantile(const std::vector<double>& sorted, double p);

struct FiveNumbers {
    double best = 0.0;  // the smallest Q: the campaign minimises Q
    double q1 = 0.0;
    double median = 0.0;
    double q3 = 0.0;
    double worst = 0.0;
};

// values must not be empty; they are sorted in place.
FiveNumbers Summarise(std::vector<double>& values);

}  // namespace zarudiv
