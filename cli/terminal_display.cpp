#include "cli/terminal_display.h"

#include <QBuffer>
#include <QByteArray>

#include "edge/whole_file.h"

namespace zarudiv {

namespace {

struct AreaInfo {
    PlotRole role;
    const char* file;  // named after the window's image area, so a picture
                       // can be compared with what the window shows
    int width;
    int height;
};

// Each picture at the size of its image area in the window.
constexpr std::array<AreaInfo, kPlotRoles.size()> kAreas = {{
    {PlotRole::QualityCurve, "Image1", 225, 289},
    {PlotRole::ActivatorLaw, "Image2", 153, 129},
    {PlotRole::ActivatorSpectrum, "Image3", 169, 129},
    {PlotRole::InhibitorSpectrum, "Image4", 169, 129},
    {PlotRole::InhibitorLaw, "Image7", 153, 129},
    {PlotRole::TargetVector, "Image8", 225, 153},
    {PlotRole::StartVector, "Image9", 217, 153},
    {PlotRole::BestEvolvedVector, "Image10", 217, 153},
}};

}  // namespace

TerminalDisplay::TerminalDisplay(bool progress, std::FILE* err) : progress_(progress), err_(err) {}

void TerminalDisplay::attachImageAreas()
{
    for (std::size_t i = 0; i < kAreas.size(); ++i) {
        canvases_[i] = std::make_unique<Canvas>(kAreas[i].width, kAreas[i].height);
        attach(kAreas[i].role, canvases_[i].get());
    }
}

std::string TerminalDisplay::preparePngDirectory(const std::string& dir)
{
    // Writable now, so that a campaign is not run for pictures that cannot be kept.
    if (const std::string problem = PrepareOutputDirectory(dir); !problem.empty())
        return dir + ": " + problem;
    return {};
}

std::vector<std::string> TerminalDisplay::picturePaths(const std::string& dir)
{
    std::vector<std::string> paths;
    for (const AreaInfo& area : kAreas)
        paths.push_back(dir + "/" + area.file + ".png");
    return paths;
}

std::string TerminalDisplay::savePngs(const std::string& dir) const
{
    const std::vector<std::string> paths = picturePaths(dir);
    for (std::size_t i = 0; i < kAreas.size(); ++i) {
        const Canvas* canvas = canvases_[i].get();
        if (!canvas || !canvas->hasBitmap())
            continue;
        // Encoded first, then written whole, so a full disk leaves no broken
        // picture.
        QByteArray png;
        QBuffer encoder(&png);
        if (!encoder.open(QIODevice::WriteOnly) || !canvas->bitmap().save(&encoder, "PNG"))
            return paths[i] + ": cannot be written (PNG encoding failed)";
        const FileError error =
            WriteWholeFile(paths[i], std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
        if (error)
            return paths[i] + ": cannot be written (" + error.message() + ")";
    }
    return {};
}

void TerminalDisplay::showText(TextRole role, const std::string& text)
{
    if (role == TextRole::Generation)
        generationText_ = text;
    else if (role == TextRole::BestQuality) {
        qualityText_ = text;
        drawProgress();
    }
}

void TerminalDisplay::generationDone(const GenerationRecord& record)
{
    if (log_)
        log_->write(record);
}

void TerminalDisplay::warn(const std::string& message)
{
    finish();
    std::fprintf(err_, "zarudiv-run: %s\n", message.c_str());
    std::fflush(err_);
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
