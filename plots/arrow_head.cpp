#include "plots/arrow_head.h"

#include "campaign/colours.h"

namespace zarudiv {

void DrawArrowHead(Canvas& image, int x, int y, int direction)
{
    struct Point {
        int x;
        int y;
    };
    Point p1{};
    Point tip{};
    Point p3{};
    switch (direction) {
    case 12:
        p1 = {x - 2, y};
        tip = {x, y - 5};
        p3 = {x + 2, y};
        break;
    case 6:
        p1 = {x - 2, y};
        tip = {x, y + 5};
        p3 = {x + 2, y};
        break;
    case 3:
        p1 = {x, y + 2};
        tip = {x + 5, y};
        p3 = {x, y - 2};
        break;
    case 9:
        p1 = {x, y + 2};
        tip = {x - 5, y};
        p3 = {x, y - 2};
        break;
    default:
        return;
    }
    image.setPenColour(kBlack);
    image.setPenWidth(1);
    image.moveTo(p1.x, p1.y);
    image.lineTo(tip.x, tip.y);
    image.lineTo(p3.x, p3.y);
    image.lineTo(p1.x, p1.y);
}

}  // namespace zarudiv
