#pragma once
// A colour value (campaign/colours.h) as the RGB the screen shows. The window
// system's colours are fixed here, once, so that neither a picture nor the
// window depends on the desktop.

#include <QRgb>

namespace zarudiv {

QRgb ResolveColour(unsigned colour);

}  // namespace zarudiv
