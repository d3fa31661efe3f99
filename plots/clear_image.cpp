#include "plots/clear_image.h"

namespace zarudiv {

void ClearImage(unsigned Colour, Canvas& Image)
{
    Image.repaint();
    Image.setBrushColour(Colour);
    Image.rectangle(1, 1, Image.width(), Image.height());
}

}  // namespace zarudiv
