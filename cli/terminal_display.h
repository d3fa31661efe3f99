#pragma once
// The runner's display: plots go onto in-memory image areas (when they are
// wanted), progress goes to a terminal line on stderr.

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/generation_log.h"
#include "plots/canvas.h"
#include "plots/canvas_display.h"

namespace zarudiv {

class TerminalDisplay : public CanvasDisplay {
public:
    // progress: write a progress line to err while the campaign runs.
    TerminalDisplay(bool progress, std::FILE* err);

    // Makes the eight drawn image areas at the window's sizes and attaches them.
    void attachImageAreas();
    // Makes DIR when missing and checks that a file can be written there;
    // returns an error text or "".
    static std::string preparePngDirectory(const std::string& dir);
    // DIR/Image1.png ... DIR/Image10.png: the files savePngs writes.
    static std::vector<std::string> picturePaths(const std::string& dir);
    // Writes each drawn image area as DIR/ImageN.png, whole; returns an
    // error text naming the first picture that could not be written, or "".
    std::string savePngs(const std::string& dir) const;

    // Writes each generation's record to log, when one is given.
    void logGenerations(GenerationLog* log) { log_ = log; }

    void showText(TextRole role, const std::string& text) override;
    void warn(const std::string& message) override;
    void generationDone(const GenerationRecord& record) override;

    // Ends the progress line, if one was written.
    void finish();

private:
    void drawProgress();

    bool progress_;
    std::FILE* err_;
    bool wroteProgress_ = false;
    std::string generationText_;
    std::string qualityText_;
    GenerationLog* log_ = nullptr;
    std::array<std::unique_ptr<Canvas>, kPlotRoles.size()> canvases_;
};

}  // namespace zarudiv
