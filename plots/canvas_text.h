#pragma once
// Text on a canvas, drawn once per text and then stamped. A text's look does
// not depend on where it stands: its glyphs are drawn without antialiasing,
// so each pixel is either the pen's black or left alone. The first time a
// text is needed it is drawn by the toolkit onto a transparent scratch image;
// its advance and the pixels its glyphs set are kept, and every later drawing
// of it fills the box and sets those pixels, as the toolkit would.

#include <QImage>
#include <QPoint>
#include <QString>
#include <vector>

namespace zarudiv {

struct TextStamp {
    int width = 0;               // the text's advance: the width of its box
    std::vector<QPoint> glyphs;  // the glyphs' pixels, from the box's top-left corner
    bool exact = true;           // false: some glyph pixel was partly covered
};

// The stamp of a text in the canvas font (kept per thread). Needs a
// QGuiApplication, as any canvas text does.
const TextStamp& CanvasTextStamp(const QString& text);

// The box (width x cell height) at (x, y) filled with brush, then the
// glyphs' pixels in black; both clipped to the image.
void StampText(QImage& image, int x, int y, const TextStamp& stamp, QRgb brush);

// The same text drawn by the toolkit itself (what the stamps are checked
// against, and the way taken for a text whose stamp is not exact).
void DrawTextDirectly(QImage& image, int x, int y, const QString& text, QRgb brush);

}  // namespace zarudiv
