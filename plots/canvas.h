#pragma once
// An image area's off-screen bitmap and its drawing state (pen colour and
// width, brush colour, current position). Lines, rectangles and ellipses are
// rasterised here with the program's own pixel rules; QPainter is used only
// for text.

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>

namespace zarudiv {

class Canvas {
public:
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    // The bitmap; made on first request (white), then kept for the canvas's life.
    QImage& bitmap();
    const QImage& bitmap() const;
    bool hasBitmap() const { return !image_.isNull(); }

    unsigned penColour() const { return penColour_; }
    int penWidth() const { return penWidth_; }
    unsigned brushColour() const { return brushColour_; }
    int penX() const { return x_; }
    int penY() const { return y_; }

    void setPenColour(unsigned colour) { penColour_ = colour; }
    void setPenWidth(int width) { penWidth_ = width; }
    void setBrushColour(unsigned colour) { brushColour_ = colour; }

    void moveTo(int x, int y);
    // A line from the current position to (x, y), the end point excluded.
    // Pens wider than one pixel are laid as a square stamp (raster.h says where).
    void lineTo(int x, int y);
    // Filled with the brush, outlined with the pen; right and bottom edges excluded.
    void rectangle(int x1, int y1, int x2, int y2);
    void ellipse(int x1, int y1, int x2, int y2);
    // Text with its top-left corner at (x, y) on an opaque brush-coloured box;
    // the current position moves to the text's right end. Black, in the
    // canvas font (canvas_font.h); needs a QGuiApplication.
    void textOut(int x, int y, const QString& text);

    // How many drawing operations have changed the bitmap so far: a bitmap
    // whose count has not moved since its last repaint is what the screen shows.
    std::uint64_t drawCount() const { return drawCount_; }

    // Copies the bitmap to the screen at once (where a screen is attached).
    void repaint();
    void setRepaintHandler(std::function<void()> handler) { repaintHandler_ = std::move(handler); }
    const std::function<void()>& repaintHandler() const { return repaintHandler_; }

private:
    int width_;
    int height_;
    mutable QImage image_;  // made on first request, also through the const accessor
    unsigned penColour_ = 0x000000u;
    int penWidth_ = 1;
    unsigned brushColour_ = 0xFFFFFFu;
    int x_ = 0;
    int y_ = 0;
    std::uint64_t drawCount_ = 0;
    std::function<void()> repaintHandler_;
};

}  // namespace zarudiv
