#pragma once
// An image area: a widget without a border that shows a picture of its
// canvas. Outside a campaign the picture is the canvas's bitmap; while a
// campaign draws on the canvas from its worker thread, the area shows the
// frames the window hands it. Until something has been drawn there is no
// bitmap and the area is transparent, so the panel beneath shows through.

#include <QImage>
#include <QWidget>

#include "plots/canvas.h"

namespace zarudiv {

class ImageArea : public QWidget {
    Q_OBJECT
public:
    ImageArea(QWidget* parent, int width, int height);

    Canvas& canvas() { return canvas_; }
    const Canvas& canvas() const { return canvas_; }

    // Shows the canvas's bitmap as it is now (only where no campaign draws).
    void showCanvas();
    // Shows a picture of the canvas taken elsewhere; a null picture shows the
    // panel beneath.
    void showPicture(const QImage& picture);
    // What the area shows.
    const QImage& shown() const { return shown_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Canvas canvas_;
    QImage shown_;
    qint64 shownKey_ = 0;  // the cache key of the picture shown
};

}  // namespace zarudiv
