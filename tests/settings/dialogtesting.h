// Helpers of the dialog tests: finding controls by their accessible names, as a screen reader
// does, and a prompt that records messages instead of showing them.
#pragma once

#include "jobs/userprompt.h"

#include <QApplication>
#include <QStringList>
#include <QWidget>
#include <deque>

namespace pix::test {

template <class T> T* control(QWidget* root, const QString& name) {
    for (T* w : root->findChildren<T*>()) {
        if (w->accessibleName() == name)
            return w;
    }
    return nullptr;
}

// The control that has the keyboard focus; an edit inside a spin box counts as the spin box.
inline QWidget* focused() {
    QWidget* w = QApplication::focusWidget();
    if (w && w->parentWidget() && w->focusProxy() == nullptr &&
        w->parentWidget()->focusProxy() == w)
        return w->parentWidget();
    return w;
}

class RecordingPrompt : public UserPrompt {
public:
    QStringList messages;
    QStringList questions;
    std::deque<Answer> answers; // No once they run out
    Answer askYesNo(const QString& text, MessageIcon, QObject*) override {
        questions << text;
        if (answers.empty())
            return Answer::No;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void showMessage(const QString& text, const QString& caption, MessageIcon) override {
        messages << caption + QStringLiteral(": ") + text;
    }
};

} // namespace pix::test
