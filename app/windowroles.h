#pragma once
// Where each display role appears in the window: the one table that maps the
// campaign's roles to the window's controls, bound once per form.

#include <array>

#include "campaign/campaign_display.h"

class QLineEdit;
class QProgressBar;

namespace zarudiv {

class ImageArea;
class TForm1;

struct WindowRoles {
    std::array<QLineEdit*, kTextRoles.size()> fields{};  // by TextRole
    std::array<ImageArea*, kPlotRoles.size()> images{};  // by PlotRole
    QProgressBar* generationBar = nullptr;
    QProgressBar* mutantBar = nullptr;

    QLineEdit* field(TextRole role) const { return fields[static_cast<std::size_t>(role)]; }
    ImageArea* image(PlotRole role) const { return images[static_cast<std::size_t>(role)]; }
};

// The form's controls by role; the form's controls must exist.
WindowRoles BindWindowRoles(const TForm1& form);

}  // namespace zarudiv
