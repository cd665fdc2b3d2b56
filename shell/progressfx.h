// Effect layers over a waiting tree. CProgressFX shows, while a folder takes long to fill, a
// small bar right of the folder's label: framed in black, filling in red as children arrive.
// CHourglassFX adds an hourglass in place of the folder's icon and the wait cursor.
// Both switch on the visible "Loading..." stage of an opening.
#pragma once

#include "shell/treecontrol.h"
#include "shell/waiteffects.h"
#include "shell/waitoverlays.h"

#include <QApplication>
#include <QCursor>
#include <QPointer>

namespace pix {

inline Box BoxOf(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

inline QRect RectOf(const Box& box) {
    return QRect(box.left, box.top, box.width(), box.height());
}

template <class Base> class CProgressFX : public Base {
public:
    explicit CProgressFX(QWidget* parent = nullptr) : Base(parent) {
        this->logic().SetShowWait(true);
    }

protected:
    void BeginWaitEffect(TreeItem item) override {
        Base::BeginWaitEffect(item);
        const QRect text = this->ItemTextRect(item);
        if (!text.isValid())
            return;
        const ProgressBoxes boxes = ProgressBarBoxes(BoxOf(text));
        const QRect outer = RectOf(boxes.outer);
        bar_ = new WaitBar(this, RectOf(boxes.inner).translated(-outer.topLeft()));
        bar_->setGeometry(outer);
    }
    void StepWaitEffect(bool tick, int total, int current) override {
        Base::StepWaitEffect(tick, total, current);
        if (tick || !bar_)
            return;
        bar_->setFill(ProgressFillWidth(total, current));
        bar_->show();
        bar_->raise();
        bar_->repaint();
    }
    void EndWaitEffect() override {
        delete bar_;
        Base::EndWaitEffect();
    }

private:
    QPointer<WaitBar> bar_;
};

template <class Base> class CHourglassFX : public Base {
public:
    explicit CHourglassFX(QWidget* parent = nullptr) : Base(parent) {
        this->logic().SetShowWait(true);
    }

protected:
    void BeginWaitEffect(TreeItem item) override {
        Base::BeginWaitEffect(item);
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        cursorSet_ = true;
        const QRect text = this->ItemTextRect(item);
        if (!text.isValid())
            return;
        const QSize icon = this->iconSize();
        hourglass_ = new WaitHourglass(this);
        hourglass_->setGeometry(RectOf(WaitIconBox(BoxOf(text), icon.width(), icon.height())));
    }
    void StepWaitEffect(bool tick, int total, int current) override {
        if (!tick) {
            Base::StepWaitEffect(tick, total, current);
            return;
        }
        if (!hourglass_)
            return;
        hourglass_->advance();
        hourglass_->show();
        hourglass_->raise();
        hourglass_->repaint();
    }
    void EndWaitEffect() override {
        delete hourglass_;
        if (cursorSet_)
            QApplication::restoreOverrideCursor();
        cursorSet_ = false;
        Base::EndWaitEffect();
    }

private:
    QPointer<WaitHourglass> hourglass_;
    bool cursorSet_ = false;
};

} // namespace pix
