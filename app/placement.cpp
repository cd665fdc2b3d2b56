#include "app/placement.h"

#include <algorithm>

namespace pix {

namespace {

// The strip along the top of a window by which it is dragged: at least this much of it must
// show on one screen.
constexpr int kGripHeight = 24;
constexpr int kGripWidth = 100;
// The share of the screen a window takes at its first start, in percent.
constexpr int kFirstShare = 80;

QRect centredOn(const QRect& screen, QSize size) {
    size = size.boundedTo(screen.size());
    QRect rect(QPoint(0, 0), size);
    rect.moveCenter(screen.center());
    return rect;
}

bool reachable(const QRect& window, const QRect& screen) {
    const QRect grip(window.left(), window.top(), window.width(), kGripHeight);
    const QRect seen = grip.intersected(screen);
    return seen.width() >= std::min(kGripWidth, window.width()) &&
           seen.height() >= std::min(kGripHeight, window.height());
}

} // namespace

QRect placeOnScreens(const QRect& saved, const QList<QRect>& screens, const QSize& fallback) {
    if (screens.isEmpty())
        return saved;
    if (saved.isValid() && !saved.isEmpty()) {
        for (const QRect& screen : screens) {
            if (!reachable(saved, screen))
                continue;
            if (screen.contains(saved))
                return saved;
            // Larger than the screen, or hanging over its edge: moved and shrunk onto it.
            QRect fitted(saved.topLeft(), saved.size().boundedTo(screen.size()));
            fitted.moveLeft(
                std::clamp(fitted.left(), screen.left(), screen.right() - fitted.width() + 1));
            fitted.moveTop(
                std::clamp(fitted.top(), screen.top(), screen.bottom() - fitted.height() + 1));
            return fitted;
        }
    }
    return centredOn(screens.front(), fallback);
}

QRect firstPlacement(const QList<QRect>& screens, const QSize& least) {
    if (screens.isEmpty())
        return QRect(QPoint(0, 0), least);
    const QRect& screen = screens.front();
    const QSize share(screen.width() * kFirstShare / 100, screen.height() * kFirstShare / 100);
    return centredOn(screen, share.expandedTo(least));
}

} // namespace pix
