#pragma once
// A campaign display whose plots go onto canvases: the runner uses it as it
// is, the window derives from it and adds its edit fields and progress bars.

#include <array>

#include "campaign_display.h"
#include "canvas.h"

namespace zarudiv {

class CanvasDisplay : public CampaignDisplay {
public:
    // The canvas of an image area; nullptr where none is attached.
    Canvas* canvas(PlotArea area) const { return canvases_[static_cast<std::size_t>(area)]; }
    void attach(PlotArea area, Canvas* canvas) { canvases_[static_cast<std::size_t>(area)] = canvas; }

    void plotVector(PlotArea area, unsigned colour, const TVector& v) override;
    void plotSpectrum(PlotArea area, const TVector& coefficients) override;
    void plotDiffusionLaw(PlotArea area, const TVector& coefficients, Generator& gen) override;
    void plotQuality(const QualityPlotArgs& args) override;

private:
    std::array<Canvas*, 8> canvases_{};
};

}  // namespace zarudiv
