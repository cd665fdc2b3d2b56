// How the conversion logic reaches the person using the program: a Yes/No question or a
// message. Message boxes implement it in the window, the console in a headless run, and the
// tests answer it themselves.
#pragma once

#include <QString>

class QObject;

namespace pix {

enum class MessageIcon { None, Information, Question, Exclamation, Error };
enum class Answer { Yes, No };

class UserPrompt {
public:
    virtual ~UserPrompt() = default;

    // owner: the window the question belongs to (the job list, the main window), or none.
    virtual Answer askYesNo(const QString& text, MessageIcon icon, QObject* owner) = 0;
    virtual void showMessage(const QString& text, const QString& caption, MessageIcon icon) = 0;
    // Whether the existing file at path is to be replaced. A prompt that can show the path
    // beside the question does so; by default it is the plain question.
    virtual Answer askReplaceFile(const QString& question, const QString& path, QObject* owner) {
        (void)path;
        return askYesNo(question, MessageIcon::Question, owner);
    }
};

} // namespace pix
