#pragma once
// Gives every line of a drop-down list the same height in pixels.

#include <QStyledItemDelegate>

namespace zarudiv {

class FixedItemHeight : public QStyledItemDelegate {
    Q_OBJECT
public:
    FixedItemHeight(int height, QObject* parent);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int height_;
};

}  // namespace zarudiv
