#pragma once
// The canvas's own font for text out: an 8-point (11-pixel) face with the
// metrics the window's layout was made with, drawn without antialiasing so
// that the pictures are the same on every machine that has the same font file.

#include <QFont>

namespace zarudiv {

// The font file tried first; the family it holds is used when it loads.
inline constexpr const char* kCanvasFontFile = "/usr/share/wine/fonts/tahoma.ttf";
// Used when the file is missing or unreadable.
inline constexpr const char* kCanvasFallbackFamily = "Liberation Sans";
inline constexpr int kCanvasFontPixelSize = 11;

// Needs a QGuiApplication (the font database lives in it); throws
// std::logic_error when there is none.
const QFont& CanvasFont();

// The text line of the canvas font: the box that text out paints and the
// baseline in it. Taken from the font's Windows ascent and descent (the
// cell the layout's texts were measured with), which for the Tahoma metrics
// is 11 + 2 pixels; Qt's own metrics follow the typographic values and would
// put the ascenders on the box's top row.
struct TextCell {
    int ascent = 0;
    int descent = 0;
    int height() const { return ascent + descent; }
};
const TextCell& CanvasTextCell();

}  // namespace zarudiv
