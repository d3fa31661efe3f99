#pragma once
// Where each display role appears in the window: the one table that maps the
// campaign's roles to the window's controls.

#include "campaign/campaign_display.h"

class QLineEdit;
class QProgressBar;

namespace zarudiv {

class ImageArea;
class TForm1;

QLineEdit* fieldOf(const TForm1& form, TextRole role);
ImageArea* imageOf(const TForm1& form, PlotRole role);
QProgressBar* generationBarOf(const TForm1& form);
QProgressBar* mutantBarOf(const TForm1& form);

}  // namespace zarudiv
