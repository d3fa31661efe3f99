#pragma once
// What a campaign shows, on the window's own controls: the plots go onto the
// image areas' canvases, progress onto the two progress bars, texts into the
// edit fields of the bottom bar.

#include "canvas_display.h"

namespace zarudiv {

class TForm1;

class WindowDisplay : public CanvasDisplay {
public:
    explicit WindowDisplay(TForm1& form);

    void setGenerationPosition(int g) override;
    void setMutantPosition(int m) override;
    void showText(EditField field, const std::string& text) override;

private:
    TForm1& form_;
};

}  // namespace zarudiv
