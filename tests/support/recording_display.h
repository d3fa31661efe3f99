#pragma once
// A campaign display that remembers what the campaign showed, in order. Each
// event reads "kind:role", followed by "=value" for texts and bars and
// "/colour" for vector plots.

#include <map>
#include <string>
#include <vector>

#include "campaign/campaign_display.h"

namespace zarudiv::testing {

class RecordingDisplay : public CampaignDisplay {
public:
    void setGenerationProgress(int g) override { events.push_back("bar:generation=" + std::to_string(g)); }
    void setMutantProgress(int m) override { events.push_back("bar:mutant=" + std::to_string(m)); }
    void showText(TextRole role, const std::string& text) override
    {
        texts[role] = text;
        events.push_back("text:" + std::string(RoleName(role)) + "=" + text);
    }
    void plotVector(PlotRole role, unsigned colour, const TVector& v) override
    {
        plotted[role] = v;
        events.push_back("vector:" + std::string(RoleName(role)) + "/" + std::to_string(colour));
    }
    void plotSpectrum(PlotRole role, const TVector& v) override
    {
        plotted[role] = v;
        events.push_back("spectrum:" + std::string(RoleName(role)));
    }
    void plotDiffusionLaw(PlotRole role, const TVector& v) override
    {
        plotted[role] = v;
        events.push_back("law:" + std::string(RoleName(role)));
    }
    void newQualityDiagram(const std::string& caption) override
    {
        events.push_back("diagram:quality curve=" + caption);
    }
    void addQualityPoint(const QualityPoint& point) override
    {
        points.push_back(point);
        events.push_back("point:quality curve");
    }

    // The events without their values: what was shown, in which order.
    std::vector<std::string> kinds() const
    {
        std::vector<std::string> result;
        for (const std::string& e : events)
            result.push_back(e.substr(0, e.find_first_of("=/")));
        return result;
    }

    std::vector<std::string> events;
    std::map<TextRole, std::string> texts;
    std::map<PlotRole, TVector> plotted;
    std::vector<QualityPoint> points;
};

}  // namespace zarudiv::testing
