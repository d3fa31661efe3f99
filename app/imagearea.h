#pragma once
// An image area: a widget without a border that shows its canvas's bitmap.
// Until something has been drawn the bitmap does not exist and the area is
// transparent, so the panel beneath shows through.

#include <QWidget>

#include "plots/canvas.h"

namespace zarudiv {

class ImageArea : public QWidget {
    Q_OBJECT
public:
    ImageArea(QWidget* parent, int width, int height);

    Canvas& canvas() { return canvas_; }
    const Canvas& canvas() const { return canvas_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Canvas canvas_;
};

}  // namespace zarudiv
