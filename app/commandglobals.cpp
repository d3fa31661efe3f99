#include "app/commandglobals.h"

namespace zarudiv {

std::int32_t maxGenerationen = 0;
std::int32_t maxMutanten = 0;
long double StartSchrittweite = 0.0L;
std::int32_t Dimension = 0;
std::uint8_t saveOption = 0;
std::string saveFileName;

Generator RandSeed;

std::uint8_t bitBtn2Flag = 0;
std::uint8_t checkBox1Flag = 0;

}  // namespace zarudiv
