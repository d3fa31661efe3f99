#pragma once
// The window's colours: every colour the window paints with is resolved here,
// as the plots resolve theirs, so controls and pictures agree on every shade.

#include <QColor>

#include "campaign/colours.h"

namespace zarudiv {

QColor windowColour(unsigned colour);

}  // namespace zarudiv
