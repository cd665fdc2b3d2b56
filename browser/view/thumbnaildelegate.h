// Draws one cell of the thumbnail view: the 96 x 70 thumbnail over its two caption lines (the
// file name and the pixel size), each line shortened in the middle to the cell's width, so that
// both always show whatever the name's length.
#pragma once

#include <QStyledItemDelegate>

namespace pix {

class ThumbnailDelegate : public QStyledItemDelegate {
public:
    explicit ThumbnailDelegate(QObject* parent = nullptr);

    /// The size of every cell for the given font: the thumbnail, two lines and margins.
    static QSize cellSize(const QFontMetrics& metrics);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace pix
