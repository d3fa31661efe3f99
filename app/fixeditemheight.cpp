#include "app/fixeditemheight.h"

namespace zarudiv {

FixedItemHeight::FixedItemHeight(int height, QObject* parent)
    : QStyledItemDelegate(parent), height_(height)
{
}

QSize FixedItemHeight::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(height_);
    return size;
}

}  // namespace zarudiv
