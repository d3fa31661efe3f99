#pragma once
// A campaign display that remembers what the campaign showed, in order.

#include <map>
#include <string>
#include <vector>

#include "campaign_display.h"

namespace zarudiv::testing {

class RecordingDisplay : public CampaignDisplay {
public:
    void setGenerationPosition(int g) override { events.push_back(std::string("P1=") + std::to_string(g)); }
    void setMutantPosition(int m) override { events.push_back(std::string("P2=") + std::to_string(m)); }
    void showText(EditField field, const std::string& text) override
    {
        texts[field] = text;
        events.push_back(std::string("T") + std::to_string(static_cast<int>(field)) + "=" + text);
    }
    void plotVector(PlotArea area, unsigned colour, const TVector& v) override
    {
        plotted[area] = v;
        events.push_back(std::string("V") + std::to_string(static_cast<int>(area)) + "/" +
                         std::to_string(colour));
    }
    void plotSpectrum(PlotArea area, const TVector& v) override
    {
        plotted[area] = v;
        events.push_back(std::string("S") + std::to_string(static_cast<int>(area)));
    }
    void plotDiffusionLaw(PlotArea area, const TVector& v, Generator& gen) override
    {
        plotted[area] = v;
        events.push_back(std::string("D") + std::to_string(static_cast<int>(area)));
        CampaignDisplay::plotDiffusionLaw(area, v, gen);
    }
    void plotQuality(const QualityPlotArgs& args) override
    {
        points.push_back(args);
        events.push_back(std::string("Q") + std::to_string(args.mode));
    }

    std::vector<std::string> events;
    std::map<EditField, std::string> texts;
    std::map<PlotArea, TVector> plotted;
    std::vector<QualityPlotArgs> points;
};

}  // namespace zarudiv::testing
