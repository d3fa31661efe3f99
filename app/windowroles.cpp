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

QLineEdit* fieldOf(const TForm1& form, TextRole role)
{
    for (const TextControl& control : kTextControls)
        if (control.role == role)
            return form.*control.field;
    return nullptr;
}

ImageArea* imageOf(const TForm1& form, PlotRole role)
{
    for (const PlotControl& control : kPlotControls)
        if (control.role == role)
            return form.*control.image;
    return nullptr;
}

QProgressBar* generationBarOf(const TForm1& form) { return form.ProgressBar1; }

QProgressBar* mutantBarOf(const TForm1& form) { return form.ProgressBar2; }

}  // namespace zarudiv
