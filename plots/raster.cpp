#include "plots/raster.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace zarudiv::raster {

namespace {

using i64 = std::int64_t;
__extension__ typedef __int128 i128;

// floor(a / b) for b > 0.
i64 FloorDiv(i64 a, i64 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The pixel range of one axis that can still reach the image: a stamp of
// width w reaches w pixels at most from its pixel.
struct Span {
    i64 first;
    i64 last;
};

Span Reach(i64 lo, i64 hi, int extent, int width)
{
    return {std::max<i64>(lo, -width), std::min<i64>(hi, i64{extent} - 1 + width)};
}

// Writes pixels straight into the bitmap's rows, as QImage::setPixel would
// store them, without its per-pixel checks: the plots set tens of thousands
// of pixels per generation.
class Pixels {
public:
    explicit Pixels(QImage& image)
        : image_(image), width_(image.width()), height_(image.height()),
          direct_(image.depth() == 32),
          opaque_(image.format() == QImage::Format_RGB32),
          // One detach for the whole operation; nothing else touches the
          // image while it lasts.
          bits_(direct_ && !image.isNull() ? image.bits() : nullptr),
          stride_(image.bytesPerLine())
    {
    }
    int width() const { return width_; }
    int height() const { return height_; }

    // Columns first .. last of row y, all inside the image.
    void fillRow(int y, int first, int last, QRgb colour)
    {
        if (bits_ == nullptr) {
            for (int x = first; x <= last; ++x)
                image_.setPixel(x, y, colour);
            return;
        }
        std::fill(row(y) + first, row(y) + last + 1, stored(colour));
    }

    void put(int x, int y, QRgb colour)
    {
        if (x < 0 || y < 0 || x >= width_ || y >= height_)
            return;
        if (bits_ != nullptr)
            row(y)[x] = stored(colour);
        else
            image_.setPixel(x, y, colour);
    }

    // Columns left .. right of rows top .. bottom, clipped.
    void fillBox(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                 QRgb colour)
    {
        left = std::max<std::int64_t>(left, 0);
        top = std::max<std::int64_t>(top, 0);
        right = std::min<std::int64_t>(right, width_ - 1);
        bottom = std::min<std::int64_t>(bottom, height_ - 1);
        if (left > right)
            return;
        for (std::int64_t y = top; y <= bottom; ++y)
            fillRow(static_cast<int>(y), static_cast<int>(left), static_cast<int>(right), colour);
    }

    // The stamps of a pen of width w on the pixels (x0..x1, y0..y1) of a row
    // or a column: the box they make together.
    void stampRun(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, int w,
                  QRgb colour)
    {
        fillBox(std::min(x0, x1) - w / 2, std::min(y0, y1) - w / 2,
                std::max(x0, x1) - w / 2 + w - 1, std::max(y0, y1) - w / 2 + w - 1, colour);
    }

    // The square stamp of a pen of width w at (x, y), clipped.
    void stamp(int x, int y, int w, QRgb colour)
    {
        const int x0 = std::max(x - w / 2, 0);
        const int x1 = std::min(x - w / 2 + w - 1, width_ - 1);
        const int y0 = std::max(y - w / 2, 0);
        const int y1 = std::min(y - w / 2 + w - 1, height_ - 1);
        for (int row = y0; row <= y1 && x0 <= x1; ++row)
            fillRow(row, x0, x1, colour);
    }

private:
    QRgb* row(int y) const
    {
        return reinterpret_cast<QRgb*>(bits_ + static_cast<std::ptrdiff_t>(y) * stride_);
    }
    // An RGB32 pixel is stored opaque, whatever the colour's alpha says.
    QRgb stored(QRgb colour) const { return opaque_ ? (colour | 0xFF000000u) : colour; }

    QImage& image_;
    int width_;
    int height_;
    bool direct_;
    bool opaque_;
    uchar* bits_;
    qsizetype stride_;
};

// Fill, then outline: the region is the set of pixels of the box for which
// inside() holds; its edge pixels have a 4-neighbour that is not in it. All
// edge stamps are in the one pen colour, so their order does not matter.
template <typename Inside>
void Region(QImage& image, int x1, int y1, int x2, int y2, int penWidth, QRgb pen, QRgb brush,
            Inside inside)
{
    const i64 left = std::min(x1, x2);
    const i64 right = std::max(x1, x2);  // excluded
    const i64 top = std::min(y1, y2);
    const i64 bottom = std::max(y1, y2);  // excluded
    if (left == right || top == bottom)
        return;
    const auto in = [&](i64 x, i64 y) {
        return x >= left && x < right && y >= top && y < bottom && inside(x - left, y - top);
    };
    Pixels pixels(image);

    const Span fillX = Reach(left, right - 1, pixels.width(), 0);
    const Span fillY = Reach(top, bottom - 1, pixels.height(), 0);
    for (i64 y = fillY.first; y <= fillY.last; ++y)
        for (i64 x = fillX.first; x <= fillX.last; ++x)
            if (in(x, y))
                pixels.put(static_cast<int>(x), static_cast<int>(y), brush);

    const int w = std::max(penWidth, 1);
    const Span edgeX = Reach(left, right - 1, pixels.width(), w);
    const Span edgeY = Reach(top, bottom - 1, pixels.height(), w);
    for (i64 y = edgeY.first; y <= edgeY.last; ++y)
        for (i64 x = edgeX.first; x <= edgeX.last; ++x)
            if (in(x, y) && (!in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1)))
                pixels.stamp(static_cast<int>(x), static_cast<int>(y), w, pen);
}

// The same for a rectangle, row by row: the fill is whole rows of the box,
// the edge its first and last row and column.
void Box(QImage& image, int x1, int y1, int x2, int y2, int penWidth, QRgb pen, QRgb brush)
{
    const i64 left = std::min(x1, x2);
    const i64 right = std::max(x1, x2) - 1;  // included
    const i64 top = std::min(y1, y2);
    const i64 bottom = std::max(y1, y2) - 1;  // included
    if (left > right || top > bottom)
        return;
    Pixels pixels(image);
    pixels.fillBox(left, top, right, bottom, brush);

    // The edge pixels' stamps, row by row and column by column.
    const int w = std::max(penWidth, 1);
    const Span edgeX = Reach(left, right, pixels.width(), w);
    const Span edgeY = Reach(top, bottom, pixels.height(), w);
    if (edgeX.first <= edgeX.last) {
        if (top >= edgeY.first && top <= edgeY.last)
            pixels.stampRun(edgeX.first, top, edgeX.last, top, w, pen);
        if (bottom != top && bottom >= edgeY.first && bottom <= edgeY.last)
            pixels.stampRun(edgeX.first, bottom, edgeX.last, bottom, w, pen);
    }
    const i64 firstInside = std::max(top + 1, edgeY.first);
    const i64 lastInside = std::min(bottom - 1, edgeY.last);
    if (firstInside <= lastInside) {
        if (left >= edgeX.first && left <= edgeX.last)
            pixels.stampRun(left, firstInside, left, lastInside, w, pen);
        if (right != left && right >= edgeX.first && right <= edgeX.last)
            pixels.stampRun(right, firstInside, right, lastInside, w, pen);
    }
}

}  // namespace

void PutPixel(QImage& image, int x, int y, QRgb colour)
{
    Pixels(image).put(x, y, colour);
}

void Stamp(QImage& image, int x, int y, int width, QRgb colour)
{
    Pixels(image).stamp(x, y, std::max(width, 1), colour);
}

int MinorAt(int m, int m0, int n0, int m1, int n1)
{
    // n0 + (m - m0) * (n1 - n0) / (m1 - m0), nearest, halves down:
    // ceil((2 num - den) / (2 den)) with den > 0.
    i64 num = (i64{m} - m0) * (i64{n1} - n0);
    i64 den = i64{m1} - m0;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    return static_cast<int>(n0 - FloorDiv(den - 2 * num, 2 * den));
}

void Line(QImage& image, int x1, int y1, int x2, int y2, int penWidth, QRgb pen)
{
    const i64 dx = i64{x2} - x1;
    const i64 dy = i64{y2} - y1;
    if (dx == 0 && dy == 0)
        return;
    const int w = std::max(penWidth, 1);
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const int m1 = xMajor ? x1 : y1;
    const int n1 = xMajor ? y1 : x1;
    const int m2 = xMajor ? x2 : y2;
    const int n2 = xMajor ? y2 : x2;
    const int extent = xMajor ? image.width() : image.height();

    // Only the part of the major axis that can reach the image is walked; the
    // pixels are computed from the end points, so skipping changes none.
    const i64 lo = -w;
    const i64 hi = i64{extent} - 1 + w;
    const int step = m2 > m1 ? 1 : -1;
    i64 first = m1;
    i64 last = i64{m2} - step;  // the end point is excluded
    if (step > 0) {
        first = std::max(first, lo);
        last = std::min(last, hi);
        if (first > last)
            return;
    } else {
        first = std::min(first, hi);
        last = std::max(last, lo);
        if (first < last)
            return;
    }
    Pixels pixels(image);
    if (n1 == n2) {
        // Along a row or a column the stamps make one box.
        if (xMajor)
            pixels.stampRun(first, n1, last, n1, w, pen);
        else
            pixels.stampRun(n1, first, n1, last, w, pen);
        return;
    }
    for (i64 m = first;; m += step) {
        const int mm = static_cast<int>(m);
        const int n = MinorAt(mm, m1, n1, m2, n2);
        if (xMajor)
            pixels.stamp(mm, n, w, pen);
        else
            pixels.stamp(n, mm, w, pen);
        if (m == last)
            break;
    }
}

void Rectangle(QImage& image, int x1, int y1, int x2, int y2, int penWidth, QRgb pen, QRgb brush)
{
    Box(image, x1, y1, x2, y2, penWidth, pen, brush);
}

void Ellipse(QImage& image, int x1, int y1, int x2, int y2, int penWidth, QRgb pen, QRgb brush)
{
    const i128 w = std::abs(i64{x2} - x1);
    const i128 h = std::abs(i64{y2} - y1);
    // Pixel centre (x + 1/2, y + 1/2) relative to the box, scaled by 2w and 2h:
    // ((2x + 1 - w) / w)^2 + ((2y + 1 - h) / h)^2 <= 1.
    // Exact in 128 bits up to boxes of 2^28 pixels; beyond that (nothing of
    // ours draws such boxes) the extended reals are close enough.
    constexpr i128 kExact = i128{1} << 28;
    Region(image, x1, y1, x2, y2, penWidth, pen, brush, [w, h, kExact](i64 x, i64 y) {
        const i128 u = 2 * i128{x} + 1 - w;
        const i128 v = 2 * i128{y} + 1 - h;
        if (w <= kExact && h <= kExact)
            return u * u * h * h + v * v * w * w <= w * w * h * h;
        const long double fu = static_cast<long double>(u) / static_cast<long double>(w);
        const long double fv = static_cast<long double>(v) / static_cast<long double>(h);
        return fu * fu + fv * fv <= 1.0L;
    });
}

}  // namespace zarudiv::raster
