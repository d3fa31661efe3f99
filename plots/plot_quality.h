#pragma once
// The quality diagram on Image1: a new empty diagram (mode 100) or one more
// marker of the quality curve (mode 200).

#include <string>

#include "plots/canvas.h"

namespace zarudiv {

inline constexpr int kQualityNewDiagram = 100;
inline constexpr int kQualityAddPoint = 200;
// Captions longer than this are cut (counted in characters, not bytes).
inline constexpr int kQualityCaptionLength = 250;

// Mode 100: repaint, frame (pen black, width 2) filled with the canvas's
// brush, x axis with its arrow head and "Funktionsaufrufe", y axis with its
// arrow head, the circle on the origin and "Q". Mode 200: repaint, then a
// marker two pixels across in Colour at (X, Y) on axes running from 0 to XMax
// and YMax, then CaptionText (UTF-8) at (x0 + 50, y0). Any other mode draws
// nothing. The spares are not used. A point with an XMax or YMax of 0 has no
// place on the axes and leaves no marker; its caption is still drawn.
void PlotQuality(int Mode, Canvas& Image, const std::string& CaptionText, double spare1,
                 double XMax, double spare2, double YMax, double X, double Y, double spare3,
                 double Colour);

}  // namespace zarudiv
