#pragma once
// What a campaign shows, on the window's own controls: each text role has its
// edit field, each plot role its image area, and the two progress bars count
// generations and mutants.

#include "plots/canvas_display.h"

class QLineEdit;

namespace zarudiv {

class TForm1;

class WindowDisplay : public CanvasDisplay {
public:
    explicit WindowDisplay(TForm1& form);

    void setGenerationProgress(int g) override;
    void setMutantProgress(int m) override;
    void showText(TextRole role, const std::string& text) override;

    // The edit field that shows a text role.
    QLineEdit* field(TextRole role) const;

private:
    TForm1& form_;
};

}  // namespace zarudiv
