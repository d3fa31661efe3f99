#pragma once
// The pixel rules of the canvas, on a bare QImage: Bresenham lines without
// their end point, and rectangles and ellipses whose right and bottom edges
// are excluded. Everything is clipped to the image.
//
// Wide pens are laid as a square stamp of width w per pixel of the one-pixel
// path: the stamp of (x, y) covers columns x - w/2 .. x - w/2 + w - 1 and the
// same rows (w/2 truncated), so width 2 adds the pixel to the left and above,
// width 4 two to the left and above and one to the right and below. A line's
// end stays excluded: the last stamp is that of the pixel before the end.

#include <QImage>

namespace zarudiv::raster {

// Sets the pixel when it lies inside the image.
void PutPixel(QImage& image, int x, int y, QRgb colour);

// The square stamp of a pen of width w (w < 1 counts as 1) at (x, y).
void Stamp(QImage& image, int x, int y, int width, QRgb colour);

// The pixel of the path at major coordinate m between (m0, n0) and (m1, n1),
// m0 != m1: the nearest minor coordinate, halves towards the smaller one.
// The same pixel whichever end the line starts from.
int MinorAt(int m, int m0, int n0, int m1, int n1);

// The line from (x1, y1) to (x2, y2) without (x2, y2); nothing when the two
// points coincide.
void Line(QImage& image, int x1, int y1, int x2, int y2, int penWidth, QRgb pen);

// Fills the box's pixels with the brush, then stamps its edge pixels (those
// with a 4-neighbour outside the box) with the pen. The box covers columns
// x1 .. x2 - 1 and rows y1 .. y2 - 1; corners in either order.
void Rectangle(QImage& image, int x1, int y1, int x2, int y2, int penWidth, QRgb pen,
               QRgb brush);

// As Rectangle, for the ellipse inscribed in the box: a pixel belongs to it
// when its centre lies inside or on the ellipse that touches the box's outer
// edges.
void Ellipse(QImage& image, int x1, int y1, int x2, int y2, int penWidth, QRgb pen, QRgb brush);

}  // namespace zarudiv::raster
