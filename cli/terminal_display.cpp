#include "terminal_display.h"

#include <QDir>
#include <QString>

namespace zarudiv {

namespace {

struct AreaInfo {
    PlotArea area;
    const char* name;
    int width;
    int height;
};

// The drawn image areas of the window, at their layout sizes.
constexpr std::array<AreaInfo, 8> kAreas = {{
    {PlotArea::Image1, "Image1", 225, 289},
    {PlotArea::Image2, "Image2", 153, 129},
    {PlotArea::Image3, "Image3", 169, 129},
    {PlotArea::Image4, "Image4", 169, 129},
    {PlotArea::Image7, "Image7", 153, 129},
    {PlotArea::Image8, "Image8", 225, 153},
    {PlotArea::Image9, "Image9", 217, 153},
    {PlotArea::Image10, "Image10", 217, 153},
}};

}  // namespace

TerminalDisplay::TerminalDisplay(bool progress, std::FILE* err) : progress_(progress), err_(err) {}

void TerminalDisplay::attachImageAreas()
{
    for (std::size_t i = 0; i < kAreas.size(); ++i) {
        canvases_[i] = std::make_unique<Canvas>(kAreas[i].width, kAreas[i].height);
        attach(kAreas[i].area, canvases_[i].get());
    }
}

std::string TerminalDisplay::savePngs(const std::string& dir) const
{
    const QString directory = QString::fromStdString(dir);
    if (!QDir().mkpath(directory))
        return "cannot create the directory \"" + dir + "\"";
    for (std::size_t i = 0; i < kAreas.size(); ++i) {
        const Canvas* canvas = canvases_[i].get();
        if (!canvas || !canvas->hasBitmap())
            continue;
        const QString file = directory + "/" + QString::fromLatin1(kAreas[i].name) + ".png";
        if (!canvas->bitmap().save(file, "PNG"))
            return "cannot write \"" + file.toStdString() + "\"";
    }
    return {};
}

void TerminalDisplay::setGenerationPosition(int g)
{
    generation_ = g;
}

void TerminalDisplay::showText(EditField field, const std::string& text)
{
    if (field == EditField::Edit4)
        generationText_ = text;
    else if (field == EditField::Edit8) {
        qualityText_ = text;
        drawProgress();
    }
}

void TerminalDisplay::drawProgress()
{
    if (!progress_)
        return;
    std::fprintf(err_, "\rGeneration %s   %s\x1b[K", generationText_.c_str(), qualityText_.c_str());
    std::fflush(err_);
    wroteProgress_ = true;
}

void TerminalDisplay::finish()
{
    if (wroteProgress_)
        std::fputc('\n', err_);
    wroteProgress_ = false;
}

}  // namespace zarudiv
