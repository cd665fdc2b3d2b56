// The thumbnail view's cells.
#include "browser/view/thumbnaildelegate.h"

#include "browser/imagelistmodel.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QStyle>

namespace pix {

namespace {

constexpr int kMargin = 4;
constexpr int kTextWidthExtra = 44; // the caption may be wider than the thumbnail

} // namespace

ThumbnailDelegate::ThumbnailDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QSize ThumbnailDelegate::cellSize(const QFontMetrics& metrics) {
    return QSize(ImageListModel::kThumbnailWidth + kTextWidthExtra,
                 ImageListModel::kThumbnailHeight + 2 * metrics.lineSpacing() + 3 * kMargin);
}

QSize ThumbnailDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return cellSize(option.fontMetrics);
}

void ThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    if (selected) {
        const QPalette::ColorGroup group =
            option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
        painter->fillRect(option.rect.adjusted(1, 1, -1, -1),
                          option.palette.brush(group, QPalette::Highlight));
    }

    const QSize thumb(ImageListModel::kThumbnailWidth, ImageListModel::kThumbnailHeight);
    const QRect picture(option.rect.x() + (option.rect.width() - thumb.width()) / 2,
                        option.rect.y() + kMargin, thumb.width(), thumb.height());
    const QVariant decoration = index.data(Qt::DecorationRole);
    if (decoration.canConvert<QImage>() && decoration.typeId() == QMetaType::QImage) {
        painter->drawImage(picture, decoration.value<QImage>());
    } else {
        // A placeholder icon, at a size that stays sharp, in the middle of the cell.
        const int side = std::min(48, thumb.height());
        const QRect iconRect(picture.center().x() - side / 2, picture.center().y() - side / 2, side,
                             side);
        decoration.value<QIcon>().paint(painter, iconRect);
    }

    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(option.font);
    const QStringList lines = index.data(Qt::DisplayRole).toString().split(QLatin1Char('\n'));
    const QFontMetrics& metrics = option.fontMetrics;
    QRect line(option.rect.x() + 2, picture.bottom() + 1 + kMargin, option.rect.width() - 4,
               metrics.lineSpacing());
    for (const QString& text : lines.mid(0, 2)) {
        painter->drawText(line, Qt::AlignHCenter | Qt::AlignTop,
                          metrics.elidedText(text, Qt::ElideMiddle, line.width()));
        line.translate(0, metrics.lineSpacing());
    }
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = option.rect.adjusted(1, 1, -1, -1);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
}

} // namespace pix
