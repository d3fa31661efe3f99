#include "plots/canvas.h"


#include "evolution/fpu.h"
#include "plots/canvas_font.h"
#include "plots/canvas_text.h"
#include "plots/raster.h"
#include "plots/resolve_colour.h"

namespace zarudiv {

Canvas::Canvas(int width, int height) : width_(width), height_(height) {}

QImage& Canvas::bitmap()
{
    return const_cast<QImage&>(static_cast<const Canvas&>(*this).bitmap());
}

const QImage& Canvas::bitmap() const
{
    if (image_.isNull()) {
        image_ = QImage(width_, height_, QImage::Format_RGB32);
        image_.fill(qRgb(255, 255, 255));
    }
    return image_;
}

void Canvas::moveTo(int x, int y)
{
    x_ = x;
    y_ = y;
}

void Canvas::lineTo(int x, int y)
{
    ++drawCount_;
    raster::Line(bitmap(), x_, y_, x, y, penWidth_, ResolveColour(penColour_));
    x_ = x;
    y_ = y;
}

void Canvas::rectangle(int x1, int y1, int x2, int y2)
{
    ++drawCount_;
    raster::Rectangle(bitmap(), x1, y1, x2, y2, penWidth_, ResolveColour(penColour_),
                      ResolveColour(brushColour_));
}

void Canvas::ellipse(int x1, int y1, int x2, int y2)
{
    ++drawCount_;
    raster::Ellipse(bitmap(), x1, y1, x2, y2, penWidth_, ResolveColour(penColour_),
                    ResolveColour(brushColour_));
}

void Canvas::textOut(int x, int y, const QString& text)
{
    ++drawCount_;
    QImage& image = bitmap();
    // The toolkit's text code may leave floating-point flags behind; they are
    // not the campaign's faults.
    const FpuFlagsShield shield;
    const TextStamp& stamp = CanvasTextStamp(text);
    const QRgb brush = ResolveColour(brushColour_);
    if (stamp.exact)
        StampText(image, x, y, stamp, brush);
    else
        DrawTextDirectly(image, x, y, text, brush);
    x_ = x + stamp.width;
    y_ = y;
}

void Canvas::repaint()
{
    if (repaintHandler_) {
        const FpuFlagsShield shield;
        repaintHandler_();
    }
}

}  // namespace zarudiv
