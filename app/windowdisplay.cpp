#include "windowdisplay.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QString>

#include "imagearea.h"
#include "tform1.h"

namespace zarudiv {

WindowDisplay::WindowDisplay(TForm1& form) : form_(form)
{
    attach(PlotArea::Image1, &form.Image1->canvas());
    attach(PlotArea::Image2, &form.Image2->canvas());
    attach(PlotArea::Image3, &form.Image3->canvas());
    attach(PlotArea::Image4, &form.Image4->canvas());
    attach(PlotArea::Image7, &form.Image7->canvas());
    attach(PlotArea::Image8, &form.Image8->canvas());
    attach(PlotArea::Image9, &form.Image9->canvas());
    attach(PlotArea::Image10, &form.Image10->canvas());
}

// A progress bar repaints itself at once when its position changes.
void WindowDisplay::setGenerationPosition(int g) { form_.ProgressBar1->setValue(g); }

void WindowDisplay::setMutantPosition(int m) { form_.ProgressBar2->setValue(m); }

void WindowDisplay::showText(EditField field, const std::string& text)
{
    QLineEdit* edit = nullptr;
    switch (field) {
    case EditField::Edit4:
        edit = form_.Edit4;
        break;
    case EditField::Edit5:
        edit = form_.Edit5;
        break;
    case EditField::Edit6:
        edit = form_.Edit6;
        break;
    case EditField::Edit8:
        edit = form_.Edit8;
        break;
    }
    // The field is brought to the screen before the new text goes in, so during
    // a campaign it shows the text of the previous call.
    edit->repaint();
    edit->setText(QString::fromStdString(text));
}

}  // namespace zarudiv
