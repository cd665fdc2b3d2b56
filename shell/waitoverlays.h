// The small widgets the wait effects show over the tree while a folder is being filled. They
// are children of the tree beside its frozen viewport, so they can be painted while the
// viewport's drawing is off.
#pragma once

#include <QWidget>

namespace pix {

/// A bar framed in black that fills in red from the left.
class WaitBar : public QWidget {
public:
    WaitBar(QWidget* parent, const QRect& inner);
    void setFill(int width) { fill_ = width; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect inner_; // in the bar's coordinates
    int fill_ = 0;
};

/// An hourglass whose sand runs down one of ten steps at every tick.
class WaitHourglass : public QWidget {
public:
    explicit WaitHourglass(QWidget* parent);
    void advance() { step_ = (step_ + 1) % 10; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int step_ = 0;
};

} // namespace pix
