#pragma once
// A campaign display whose pictures go onto canvases, one per plot role: the
// runner uses it as it is, the window derives from it and adds its texts and
// progress bars.

#include <array>

#include "campaign/campaign_display.h"
#include "plots/canvas.h"

namespace zarudiv {

class CanvasDisplay : public CampaignDisplay {
public:
    // The canvas a role is drawn on; nullptr where none is attached.
    Canvas* canvas(PlotRole role) const { return canvases_[static_cast<std::size_t>(role)]; }
    void attach(PlotRole role, Canvas* canvas) { canvases_[static_cast<std::size_t>(role)] = canvas; }

    void plotVector(PlotRole role, unsigned colour, const TVector& v) override;
    void plotSpectrum(PlotRole role, const TVector& coefficients) override;
    void plotDiffusionLaw(PlotRole role, const TVector& coefficients) override;
    void newQualityDiagram(const std::string& caption) override;
    void addQualityPoint(const QualityPoint& point) override;

private:
    std::array<Canvas*, kPlotRoles.size()> canvases_{};
};

}  // namespace zarudiv
