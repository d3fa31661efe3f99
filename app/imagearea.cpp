#include "app/imagearea.h"

#include <QPainter>

namespace zarudiv {

ImageArea::ImageArea(QWidget* parent, int width, int height)
    : QWidget(parent), canvas_(width, height)
{
    resize(width, height);
    // The plots ask for the screen to be brought up to date in the middle of a
    // campaign, which never returns to the event loop: paint at once.
    canvas_.setRepaintHandler([this] { repaint(); });
}

void ImageArea::paintEvent(QPaintEvent* /*event*/)
{
    if (!canvas_.hasBitmap())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, canvas_.bitmap());
}

}  // namespace zarudiv
