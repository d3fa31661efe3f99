#include "plots/canvas_font.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QRawFont>
#include <QString>
#include <QStringList>
#include <cmath>
#include <stdexcept>

namespace zarudiv {

namespace {

QFont MakeCanvasFont()
{
    QString family = QString::fromLatin1(kCanvasFallbackFamily);
    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(kCanvasFontFile));
    if (id >= 0) {
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            family = families.first();
    }
    QFont font(family);
    font.setPixelSize(kCanvasFontPixelSize);
    font.setStyleStrategy(QFont::NoAntialias);
    // The canvas places glyphs by their advances alone.
    font.setKerning(false);
    return font;
}

unsigned BigEndian16(const QByteArray& table, int offset)
{
    return (static_cast<unsigned>(static_cast<unsigned char>(table[offset])) << 8) |
           static_cast<unsigned char>(table[offset + 1]);
}

TextCell MakeTextCell(const QFont& font)
{
    // usWinAscent and usWinDescent stand at bytes 74 and 76 of the OS/2 table.
    const QRawFont raw = QRawFont::fromFont(font);
    const QByteArray os2 = raw.isValid() ? raw.fontTable("OS/2") : QByteArray();
    const qreal unitsPerEm = raw.isValid() ? raw.unitsPerEm() : 0;
    if (os2.size() >= 78 && unitsPerEm > 0) {
        const qreal scale = kCanvasFontPixelSize / unitsPerEm;
        return {static_cast<int>(std::lround(BigEndian16(os2, 74) * scale)),
                static_cast<int>(std::lround(BigEndian16(os2, 76) * scale))};
    }
    const QFontMetrics metrics(font);
    return {metrics.ascent(), metrics.descent()};
}

void RequireApplication()
{
    if (QGuiApplication::instance() == nullptr)
        throw std::logic_error(
            "canvas text needs a QGuiApplication (QT_QPA_PLATFORM=offscreen without a screen)");
}

}  // namespace

const QFont& CanvasFont()
{
    RequireApplication();
    static const QFont font = MakeCanvasFont();
    return font;
}

const TextCell& CanvasTextCell()
{
    static const TextCell cell = MakeTextCell(CanvasFont());
    return cell;
}

}  // namespace zarudiv
