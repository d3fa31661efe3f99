#include "protocol/windows1252.h"

#include <array>
#include <cstdint>

namespace zarudiv {

namespace {

// Code points of the bytes 0x80..0x9F; 0 where Windows-1252 has no character.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Decodes one UTF-8 sequence at text[i]; malformed bytes decode as themselves
// (read as Latin-1), so no input is lost or rejected.
char32_t Decode(std::string_view text, std::size_t& i)
{
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    int length = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07u;
    } else {
        ++i;
        return lead;
    }
    if (i + static_cast<std::size_t>(length) > text.size()) {
        ++i;
        return lead;
    }
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(i + static_cast<std::size_t>(k));
        if ((next & 0xC0) != 0x80) {
            ++i;
            return lead;
        }
        cp = (cp << 6) | (next & 0x3Fu);
    }
    i += static_cast<std::size_t>(length);
    return cp;
}

char Encode(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(static_cast<unsigned char>(cp));
    for (std::size_t b = 0; b < kHighControls.size(); ++b)
        if (kHighControls[b] != 0 && kHighControls[b] == cp)
            return static_cast<char>(static_cast<unsigned char>(0x80 + b));
    return '?';
}

}  // namespace

std::string Utf8ToWindows1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();)
        out.push_back(Encode(Decode(utf8, i)));
    return out;
}

std::string CutUtf8(const std::string& utf8, std::size_t maxChars)
{
    std::size_t i = 0;
    for (std::size_t chars = 0; i < utf8.size() && chars < maxChars; ++chars)
        Decode(utf8, i);
    return utf8.substr(0, i);
}

}  // namespace zarudiv
