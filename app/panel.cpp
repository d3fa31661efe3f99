#include "app/panel.h"

#include <QPainter>

namespace zarudiv {

Panel::Panel(QWidget* parent, const QString& caption) : QFrame(parent), caption_(caption)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
}

void Panel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (caption_.isEmpty())
        return;
    // A caption wider than the panel is clipped on both sides, centre kept.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), Qt::AlignCenter | Qt::TextSingleLine, caption_);
}

}  // namespace zarudiv
