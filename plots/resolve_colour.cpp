#include "plots/resolve_colour.h"

namespace zarudiv {

namespace {

QRgb SystemColour(unsigned index)
{
    switch (index) {
    case 8:   // clWindowText
        return qRgb(0, 0, 0);
    case 15:  // clBtnFace
        return qRgb(240, 240, 240);
    case 22:  // cl3DLight: the light edge of three-dimensional elements
        return qRgb(227, 227, 227);
    case 30:  // clMenuBar
        return qRgb(240, 240, 240);
    default:  // any other index: the face colour, a neutral that never hides black
        return qRgb(240, 240, 240);
    }
}

}  // namespace

QRgb ResolveColour(unsigned colour)
{
    if ((colour >> 24) == 0xFFu)
        return SystemColour(colour & 0xFFu);
    return qRgb(static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
                static_cast<int>((colour >> 16) & 0xFFu));
}

}  // namespace zarudiv
