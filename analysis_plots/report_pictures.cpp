#include "analysis_plots/report_pictures.h"

#include <QBuffer>
#include <QImage>
#include <QSvgGenerator>
#include <functional>
#include <map>
#include <stdexcept>

#include "analysis_plots/charts.h"

namespace zarudiv {

namespace {

using Draw = std::function<void(QPainter&)>;

void Paint(QPaintDevice& device, const Draw& draw)
{
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    draw(painter);
}

PictureFiles Render(const std::string& name, const std::string& title, const Draw& draw)
{
    PictureFiles files{name, title, {}, {}};
    QImage image(kChartWidth, kChartHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    Paint(image, draw);
    QByteArray png;
    QBuffer pngBuffer(&png);
    // Opaque and at the strongest compression, as the series' own pictures.
    if (!pngBuffer.open(QIODevice::WriteOnly) ||
        !image.convertToFormat(QImage::Format_RGB888).save(&pngBuffer, "PNG", 0))
        throw std::runtime_error(name + ".png: PNG encoding failed");
    files.png = png.toStdString();

    QByteArray svg;
    QBuffer svgBuffer(&svg);
    svgBuffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&svgBuffer);
    generator.setSize(QSize(kChartWidth, kChartHeight));
    generator.setViewBox(QRect(0, 0, kChartWidth, kChartHeight));
    generator.setTitle(QString::fromStdString(title));
    // Pixel fonts come out at the size they have in the PNG.
    generator.setResolution(image.logicalDpiX());
    Paint(generator, [&](QPainter& painter) {
        painter.fillRect(QRect(0, 0, kChartWidth, kChartHeight), Qt::white);
        draw(painter);
    });
    files.svg = svg.toStdString();
    return files;
}

}  // namespace

std::vector<PictureFiles> DrawReportPictures(const SeriesData& data, const SeriesAnalysis& report)
{
    // A drawn setting's style is its place among the drawn, in the plan's
    // order; the others' boxes are grey.
    std::map<std::size_t, ChartStyle> styleOf;
    std::vector<ChartStyle> drawnStyles;
    for (std::size_t i = 0; i < report.drawn.size(); ++i) {
        styleOf.emplace(report.drawn[i], ChartStyleOf(i));
        drawnStyles.push_back(ChartStyleOf(i));
    }
    const auto boxStyles = [&](const SettingView& view) {
        std::vector<ChartStyle> styles;
        for (const ViewRow& row : view.rows) {
            const auto at = styleOf.find(row.setting);
            styles.push_back(at != styleOf.end() ? at->second : kGreyStyle);
        }
        return styles;
    };

    std::vector<PictureFiles> pictures;
    pictures.push_back(Render("convergence", "Convergence", [&](QPainter& painter) {
        DrawConvergenceChart(painter, data, report.bands, drawnStyles, report.xAxis);
    }));
    const auto box = [&](const SettingView& view, const std::string& title) {
        const std::vector<ChartStyle> styles = boxStyles(view);
        pictures.push_back(Render(ViewName(view), title, [&](QPainter& painter) {
            DrawBoxChart(painter, data, view, styles);
        }));
    };
    box(report.finalView, "Final Q per setting");
    for (const SettingView& view : report.budgetViews)
        box(view, "Best Q within " + std::to_string(*view.budget) + " evaluations");
    pictures.push_back(Render("ecdf", "Targets reached against evaluations", [&](QPainter& painter) {
        DrawEcdfChart(painter, data, report.ecdf, drawnStyles, report.targets);
    }));
    return pictures;
}

}  // namespace zarudiv
