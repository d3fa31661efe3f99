#include "app/windowdisplay.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QString>

#include "app/imagearea.h"
#include "app/tform1.h"

namespace zarudiv {

namespace {

// Where each role appears in the window.
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

WindowDisplay::WindowDisplay(TForm1& form) : form_(form)
{
    for (const PlotControl& control : kPlotControls)
        attach(control.role, &(form.*control.image)->canvas());
}

// A progress bar repaints itself at once when its position changes.
void WindowDisplay::setGenerationProgress(int g) { form_.ProgressBar1->setValue(g); }

void WindowDisplay::setMutantProgress(int m) { form_.ProgressBar2->setValue(m); }

QLineEdit* WindowDisplay::field(TextRole role) const
{
    for (const TextControl& control : kTextControls)
        if (control.role == role)
            return form_.*control.field;
    return nullptr;
}

void WindowDisplay::showText(TextRole role, const std::string& text)
{
    QLineEdit* edit = field(role);
    // The field is brought to the screen before the new text goes in, so during
    // a campaign it shows the text of the previous call.
    edit->repaint();
    edit->setText(QString::fromStdString(text));
}

}  // namespace zarudiv
