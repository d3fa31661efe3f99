#pragma once
// A scroll bar whose keys move it as the desktop's scroll bars do: Right and
// Down raise the position, Left and Up lower it, Home and End go to the ends,
// Page Up and Page Down move by the large change. The toolkit's scroll bar
// inverts its controls so that the wheel scrolls a view the natural way, and
// with them the arrow keys of a horizontal bar; the wheel stays as it is.

#include <QScrollBar>

namespace zarudiv {

class DesktopScrollBar : public QScrollBar {
public:
    explicit DesktopScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr)
        : QScrollBar(orientation, parent)
    {
    }

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace zarudiv
