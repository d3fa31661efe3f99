#pragma once
// The analysis' generator: SplitMix64 (Steele, Lea and Flood), whose output
// is fixed by its definition, so that a seeded bootstrap gives the same
// interval on every machine and library. Whole numbers below a bound are
// drawn by Lemire's multiply-and-reject, without bias.

#include <cstdint>

namespace zarudiv {

class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next()
    {
        state_ += 0x9e3779b97f4a7c15ULL;
        return Mix(state_);
    }

    // Uniform in 0 .. bound - 1; bound > 0.
    std::uint64_t below(std::uint64_t bound)
    {
        __extension__ using Wide = unsigned __int128;
        Wide product = static_cast<Wide>(next()) * bound;
        auto low = static_cast<std::uint64_t>(product);
        if (low < bound) {
            const std::uint64_t threshold = (0 - bound) % bound;
            while (low < threshold) {
                product = static_cast<Wide>(next()) * bound;
                low = static_cast<std::uint64_t>(product);
            }
        }
        return static_cast<std::uint64_t>(product >> 64);
    }

    // SplitMix64's output function: also a good mix of any 64 bits.
    static std::uint64_t Mix(std::uint64_t z)
    {
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t state_;
};

}  // namespace zarudiv
