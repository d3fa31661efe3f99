#include "plots/canvas_text.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <unordered_map>

#include "plots/canvas_font.h"
#include "plots/raster.h"

namespace zarudiv {

namespace {

// Room around the box for glyphs that reach beyond their advance or cell.
constexpr int kMargin = 8;

TextStamp MakeStamp(const QString& text)
{
    const QFont& font = CanvasFont();
    const TextCell& cell = CanvasTextCell();
    TextStamp stamp;
    stamp.width = QFontMetrics(font).horizontalAdvance(text);
    QImage scratch(stamp.width + 2 * kMargin, cell.height() + 2 * kMargin,
                   QImage::Format_ARGB32_Premultiplied);
    scratch.fill(Qt::transparent);
    {
        QPainter painter(&scratch);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setFont(font);
        painter.setPen(QColor(0, 0, 0));
        painter.drawText(kMargin, kMargin + cell.ascent, text);
    }
    for (int y = 0; y < scratch.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
        for (int x = 0; x < scratch.width(); ++x) {
            const int alpha = qAlpha(row[x]);
            if (alpha == 255 && (row[x] & 0xFFFFFFu) == 0)
                stamp.glyphs.emplace_back(x - kMargin, y - kMargin);
            else if (alpha != 0)
                stamp.exact = false;
        }
    }
    return stamp;
}

}  // namespace

const TextStamp& CanvasTextStamp(const QString& text)
{
    thread_local std::unordered_map<QString, TextStamp> stamps;
    auto found = stamps.find(text);
    if (found == stamps.end())
        found = stamps.emplace(text, MakeStamp(text)).first;
    return found->second;
}

void StampText(QImage& image, int x, int y, const TextStamp& stamp, QRgb brush)
{
    const int height = CanvasTextCell().height();
    if (stamp.width > 0 && height > 0)
        raster::Rectangle(image, x, y, x + stamp.width, y + height, 1, brush, brush);
    for (const QPoint& glyph : stamp.glyphs)
        raster::PutPixel(image, x + glyph.x(), y + glyph.y(), qRgb(0, 0, 0));
}

void DrawTextDirectly(QImage& image, int x, int y, const QString& text, QRgb brush)
{
    const QFont& font = CanvasFont();
    const TextCell& cell = CanvasTextCell();
    const int width = QFontMetrics(font).horizontalAdvance(text);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.fillRect(x, y, width, cell.height(), QColor(brush));
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0));
    painter.drawText(x, y + cell.ascent, text);
}

}  // namespace zarudiv
