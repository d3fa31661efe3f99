#pragma once
// The window's two fonts, both 11 pixels high: the form's Tahoma and the title
// bar's Arial. Debian has neither; metric twins stand in for them so that the
// captions fit the layout's label widths.

#include <QFont>

namespace zarudiv {

QFont formFont();
QFont titleFont();

}  // namespace zarudiv
