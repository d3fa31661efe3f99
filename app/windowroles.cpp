#include "app/windowroles.h"

#include "app/tform1.h"

namespace zarudiv {

namespace {

struct TextControl {
    TextRole role;
    QLineEdit* TForm1::*field;
};
constexpr TextControl kTextControls[] = {
    {TextRole::Generation, &TForm1::Edit4},
    {TextRole::Mutant, &TForm1::Edit5},
    {TextRole::StepWidth, &TForm1::Edit6},
    {TextRole::BestQuality, &TForm1::Edit8},
};

struct PlotControl {
    PlotRole role;
    ImageArea* TForm1::*image;
};
constexpr PlotControl kPlotControls[] = {
    {PlotRole::QualityCurve, &TForm1::Image1},
    {PlotRole::ActivatorLaw, &TForm1::Image2},
    {PlotRole::InhibitorLaw, &TForm1::Image7},
    {PlotRole::ActivatorSpectrum, &TForm1::Image3},
    {PlotRole::InhibitorSpectrum, &TForm1::Image4},
    {PlotRole::StartVector, &TForm1::Image9},
    {PlotRole::TargetVector, &TForm1::Image8},
    {PlotRole::BestEvolvedVector, &TForm1::Image10},
};

}  // namespace

WindowRoles BindWindowRoles(const TForm1& form)
{
    WindowRoles roles;
    for (const TextControl& control : kTextControls)
        roles.fields[static_cast<std::size_t>(control.role)] = form.*control.field;
    for (const PlotControl& control : kPlotControls)
        roles.images[static_cast<std::size_t>(control.role)] = form.*control.image;
    roles.generationBar = form.ProgressBar1;
    roles.mutantBar = form.ProgressBar2;
    return roles;
}

}  // namespace zarudiv
