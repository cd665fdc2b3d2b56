#include "shell/shellimagelist.h"

#include "shell/shellicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

namespace pix {

namespace {

// Sizes drawn for composed icons; Qt scales between them.
constexpr int kSizes[] = {16, 22, 24, 32, 48};

QIcon themed(const char* name, const QStyle* style, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QLatin1String(name), style->standardIcon(fallback));
}

// A small curved arrow on a white tile: the shortcut mark when the theme has none.
QIcon drawnLinkMark() {
    QIcon icon;
    for (int size : kSizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal unit = size / 16.0;
        painter.setPen(QPen(Qt::black, unit));
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(0.5 * unit, 0.5 * unit, 15 * unit, 15 * unit));
        QPainterPath arrow;
        arrow.moveTo(4 * unit, 13 * unit);
        arrow.quadTo(4 * unit, 5 * unit, 11 * unit, 5 * unit);
        painter.setPen(QPen(Qt::black, 2 * unit));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(arrow);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawPolygon(QPolygonF({QPointF(9 * unit, 1.5 * unit), QPointF(14 * unit, 5 * unit),
                                       QPointF(9 * unit, 8.5 * unit)}));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap marked(QPixmap base, const QIcon& overlay) {
    if (overlay.isNull() || base.isNull())
        return base;
    const int size = base.height();
    const int markSize = std::max(8, size / 2);
    QPainter painter(&base);
    painter.drawPixmap(QRect(0, size - markSize, markSize, markSize),
                       overlay.pixmap(markSize, markSize));
    return base;
}

} // namespace

QList<QIcon> SystemImageList(const QStyle* style) {
    QList<QIcon> images(kIconCount);
    images[kIconComputer] = ComputerIcon(style);
    images[kIconHome] = themed("user-home", style, QStyle::SP_DirHomeIcon);
    images[kIconRoot] = themed("drive-harddisk", style, QStyle::SP_DriveHDIcon);
    images[kIconMedia] = themed("drive-removable-media", style, QStyle::SP_DriveFDIcon);
    images[kIconFolder] = themed("folder", style, QStyle::SP_DirIcon);
    images[kIconFolderOpen] = themed("folder-open", style, QStyle::SP_DirOpenIcon);
    return images;
}

QList<QIcon> OverlayImageList(const QStyle*) {
    // Shared folders are not recognised here, so the shared mark stays empty.
    return {QIcon(), QIcon(), QIcon::fromTheme("emblem-symbolic-link", drawnLinkMark())};
}

QIcon ComputerIcon(const QStyle* style) {
    return themed("computer", style, QStyle::SP_ComputerIcon);
}

QIcon ComposeItemIcon(const QIcon& normal, const QIcon& selected, const QIcon& overlay) {
    QIcon icon;
    for (int size : kSizes) {
        icon.addPixmap(marked(normal.pixmap(size, size), overlay), QIcon::Normal);
        icon.addPixmap(marked(selected.pixmap(size, size), overlay), QIcon::Selected);
    }
    return icon;
}

QIcon BlankIcon(const QSize& size) {
    QPixmap pixmap(size.isValid() ? size : QSize(16, 16));
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
}

} // namespace pix
