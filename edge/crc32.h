#pragma once
// CRC-32 (the IEEE polynomial, as zlib and Python's zlib.crc32 compute it) of
// files read back, so that a truncated or edited file is told from a whole one.

#include <cstdint>
#include <string_view>

namespace zarudiv {

std::uint32_t Crc32(std::string_view bytes);

}  // namespace zarudiv
