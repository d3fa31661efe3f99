#include "app/imagearea.h"

#include <QPainter>

namespace zarudiv {

ImageArea::ImageArea(QWidget* parent, int width, int height)
    : QWidget(parent), canvas_(width, height)
{
    resize(width, height);
    // A command drawing on the user-interface thread ("GRA ?") brings its
    // picture to the screen at every repaint it asks for.
    canvas_.setRepaintHandler([this] {
        showCanvas();
        repaint();
    });
}

void ImageArea::showCanvas()
{
    showPicture(canvas_.hasBitmap() ? canvas_.bitmap() : QImage());
}

void ImageArea::showPicture(const QImage& picture)
{
    if (picture.isNull() == shown_.isNull() && picture.cacheKey() == shownKey_)
        return;
    // Shared, not copied: a bitmap that is drawn on again elsewhere is copied
    // there first, as QImage does when a shared image changes.
    shown_ = picture;
    shownKey_ = picture.cacheKey();
    update();
}

void ImageArea::paintEvent(QPaintEvent* /*event*/)
{
    if (shown_.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, shown_);
}

}  // namespace zarudiv
