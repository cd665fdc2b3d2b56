#include "shell/waitoverlays.h"

#include <QPainter>

namespace pix {

WaitBar::WaitBar(QWidget* parent, const QRect& inner) : QWidget(parent), inner_(inner) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WaitBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (fill_ > 0)
        painter.fillRect(QRect(inner_.topLeft(), QSize(fill_, inner_.height())), Qt::red);
}

WaitHourglass::WaitHourglass(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WaitHourglass::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), palette().base());
    const QRectF box = QRectF(rect()).adjusted(2, 1, -2, -1);
    const QPointF waist = box.center();
    // Sand: the upper heap shrinks and the lower one grows as the steps go by.
    const qreal upper = (9 - step_) / 9.0;
    const qreal lower = step_ / 9.0;
    const qreal half = box.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xc8, 0x96, 0x32));
    const qreal upperTop = waist.y() - half * upper;
    painter.drawPolygon(QPolygonF(
        {QPointF(box.left() + (upperTop - box.top()) * box.width() / (2 * half), upperTop),
         QPointF(box.right() - (upperTop - box.top()) * box.width() / (2 * half), upperTop),
         waist}));
    const qreal lowerTop = box.bottom() - half * lower;
    const qreal inset = (box.bottom() - lowerTop) * box.width() / (2 * half);
    painter.drawPolygon(
        QPolygonF({QPointF(box.center().x() - (box.width() / 2 - inset), lowerTop),
                   QPointF(box.center().x() + (box.width() / 2 - inset), lowerTop),
                   QPointF(box.right(), box.bottom()), QPointF(box.left(), box.bottom())}));
    painter.setPen(QPen(palette().text().color(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(QPolygonF(
        {box.topLeft(), box.topRight(), waist, box.bottomRight(), box.bottomLeft(), waist}));
}

} // namespace pix
