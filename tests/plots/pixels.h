#pragma once
// Small helpers for pixel comparisons on canvas bitmaps.

#include <QFontMetrics>
#include <QImage>
#include <QRect>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "plots/canvas.h"
#include "plots/canvas_font.h"

namespace zarudiv::test {

using Pixel = std::pair<int, int>;
using PixelSet = std::set<Pixel>;

constexpr QRgb kWhitePx = 0xFFFFFFFFu;
constexpr QRgb kBlackPx = 0xFF000000u;
constexpr QRgb kRedPx = 0xFFFF0000u;
constexpr QRgb kGreenPx = 0xFF00FF00u;
constexpr QRgb kBluePx = 0xFF0000FFu;

inline QRgb At(Canvas& canvas, int x, int y) { return canvas.bitmap().pixel(x, y); }

// Every pixel of the given colour.
inline PixelSet PixelsOf(const QImage& image, QRgb colour)
{
    PixelSet pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                pixels.insert({x, y});
    return pixels;
}

// Every pixel of the given colour inside rect.
inline PixelSet PixelsOf(const QImage& image, QRgb colour, const QRect& rect)
{
    PixelSet pixels;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.valid(x, y) && image.pixel(x, y) == colour)
                pixels.insert({x, y});
    return pixels;
}

inline PixelSet RectPixels(const QRect& rect)
{
    PixelSet pixels;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            pixels.insert({x, y});
    return pixels;
}

inline PixelSet Without(PixelSet pixels, const PixelSet& removed)
{
    for (const Pixel& p : removed)
        pixels.erase(p);
    return pixels;
}

// The pixels nearest to the true line from (x1, y1) to (x2, y2), one per step
// of the longer axis, the end excluded; steps where the line passes exactly
// between two pixels are left out (either pixel is right there).
inline std::vector<Pixel> CentrePixels(int x1, int y1, int x2, int y2)
{
    std::vector<Pixel> pixels;
    const int dx = x2 - x1;
    const int dy = y2 - y1;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const int steps = xMajor ? std::abs(dx) : std::abs(dy);
    for (int t = 0; t < steps; ++t) {
        const double along = static_cast<double>(t) / steps;
        const double minor = xMajor ? y1 + along * dy : x1 + along * dx;
        if (std::abs(minor - std::floor(minor) - 0.5) < 1e-9)
            continue;
        const int rounded = static_cast<int>(std::lround(minor));
        if (xMajor)
            pixels.push_back({x1 + (dx > 0 ? t : -t), rounded});
        else
            pixels.push_back({rounded, y1 + (dy > 0 ? t : -t)});
    }
    return pixels;
}

// The opaque box of a text drawn at (x, y).
inline QRect TextBox(int x, int y, const QString& text)
{
    return {x, y, QFontMetrics(CanvasFont()).horizontalAdvance(text), CanvasTextCell().height()};
}

// Records what the screen would have shown at each repaint.
struct RepaintRecorder {
    std::vector<QImage> shown;
    void attach(Canvas& canvas)
    {
        canvas.setRepaintHandler([this, &canvas] { shown.push_back(canvas.bitmap().copy()); });
    }
};

}  // namespace zarudiv::test
