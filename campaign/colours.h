#pragma once
// Every colour value the program names, in one place. A value holds red in
// the lowest byte, green in the next and blue in the third; a top byte of 0xFF
// names a system colour by its index in the lowest byte, resolved only where
// it is painted (plots/resolve_colour.h).

namespace zarudiv {

constexpr unsigned kBlack = 0x000000u;
constexpr unsigned kRed = 0x0000FFu;
constexpr unsigned kGreen = 0x00FF00u;
constexpr unsigned kBlue = 0xFF0000u;

// System colours.
constexpr unsigned clWindowText = 0xFF000008u;
constexpr unsigned clBtnFace = 0xFF00000Fu;
constexpr unsigned cl3DLight = 0xFF000016u;
constexpr unsigned clMenuBar = 0xFF00001Eu;

}  // namespace zarudiv
