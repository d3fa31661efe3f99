#pragma once
// The window's colours. A colour value holds red in the lowest byte; a top
// byte of 0xFF names a system colour by its index. Every colour the window
// paints with is resolved here.

#include <QColor>

namespace zarudiv {

constexpr unsigned clWindowText = 0xFF000008u;
constexpr unsigned clBtnFace = 0xFF00000Fu;
constexpr unsigned clMenuBar = 0xFF00001Eu;

QColor windowColour(unsigned colour);

}  // namespace zarudiv
