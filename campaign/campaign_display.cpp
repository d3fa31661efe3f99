#include "campaign/campaign_display.h"

namespace zarudiv {

std::string_view RoleName(TextRole role)
{
    switch (role) {
    case TextRole::Generation:
        return "generation";
    case TextRole::Mutant:
        return "mutant";
    case TextRole::StepWidth:
        return "step width";
    case TextRole::BestQuality:
        return "best quality";
    }
    return "?";
}

std::string_view RoleName(PlotRole role)
{
    switch (role) {
    case PlotRole::QualityCurve:
        return "quality curve";
    case PlotRole::ActivatorLaw:
        return "activator law";
    case PlotRole::InhibitorLaw:
        return "inhibitor law";
    case PlotRole::ActivatorSpectrum:
        return "activator spectrum";
    case PlotRole::InhibitorSpectrum:
        return "inhibitor spectrum";
    case PlotRole::StartVector:
        return "start vector";
    case PlotRole::TargetVector:
        return "target vector";
    case PlotRole::BestEvolvedVector:
        return "best evolved vector";
    }
    return "?";
}

void NewQualityDiagram(CampaignDisplay& display)
{
    display.newQualityDiagram(" totale Qualitaet ");
}

}  // namespace zarudiv
