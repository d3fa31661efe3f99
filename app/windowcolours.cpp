#include "app/windowcolours.h"

#include "plots/resolve_colour.h"

namespace zarudiv {

QColor windowColour(unsigned colour) { return QColor::fromRgb(ResolveColour(colour)); }

}  // namespace zarudiv
