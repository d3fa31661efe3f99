#include "windowcolours.h"

#include "canvas.h"

namespace zarudiv {

// The window and the plots resolve system colours alike, so the controls and
// the pictures agree on every shade.
QColor windowColour(unsigned colour) { return QColor::fromRgb(ResolveColour(colour)); }

}  // namespace zarudiv
