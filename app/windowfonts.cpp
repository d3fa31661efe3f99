#include "app/windowfonts.h"

#include <QFontDatabase>
#include <QString>
#include <QStringList>

namespace zarudiv {

namespace {

constexpr int kFontPixels = 11;  // height -11 at 96 pixels per inch

QString loadFamily(const char* file, const char* fallback)
{
    const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(file));
    const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
    return families.isEmpty() ? QString::fromUtf8(fallback) : families.first();
}

// Bilevel glyphs on fully hinted advances: the classic 96-dpi rendering, and
// the one whose label widths come out no wider than the layout allows.
QFont windowFont(const QString& family)
{
    QFont font(family);
    font.setPixelSize(kFontPixels);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

}  // namespace

QFont formFont()
{
    static const QString family = loadFamily("/usr/share/wine/fonts/tahoma.ttf", "Tahoma");
    return windowFont(family);
}

QFont titleFont()
{
    static const QString family =
        loadFamily("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf", "Liberation Sans");
    return windowFont(family);
}

}  // namespace zarudiv
