#pragma once
// The experiment parameters and the command state that the window's handlers
// share with the campaign. None is set while the window is built, so all of
// them stay 0 (or empty) until the user first moves a scroll bar or presses a
// button, whatever the scroll bars show.

#include <cstdint>
#include <string>

#include "evolution/random_source.h"

namespace zarudiv {

extern std::int32_t maxGenerationen;
extern std::int32_t maxMutanten;
extern long double StartSchrittweite;
extern std::int32_t Dimension;  // shown only; a campaign always has 20 elements
extern std::uint8_t saveOption;
extern std::string saveFileName;  // UTF-8, at most 250 characters

// The program's one generator; every campaign of the window reseeds it.
extern Generator RandSeed;

// Set by the two unbound handlers and read by nothing.
extern std::uint8_t bitBtn2Flag;
extern std::uint8_t checkBox1Flag;

}  // namespace zarudiv
