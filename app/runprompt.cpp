#include "app/runprompt.h"

namespace pix {

Answer RunPrompt::askYesNo(const QString& text, MessageIcon, QObject* owner) {
    return askReplaceFile(text, QString(), owner);
}

Answer RunPrompt::askReplaceFile(const QString& question, const QString& path, QObject* owner) {
    if (forAll_)
        return *forAll_;
    switch (question_.askReplace(question, path, owner)) {
    case ReplaceAnswer::Yes:
        return Answer::Yes;
    case ReplaceAnswer::YesToAll:
        forAll_ = Answer::Yes;
        return Answer::Yes;
    case ReplaceAnswer::NoToAll:
        forAll_ = Answer::No;
        return Answer::No;
    case ReplaceAnswer::No:
        break;
    }
    return Answer::No;
}

void RunPrompt::showMessage(const QString& text, const QString& caption, MessageIcon icon) {
    if (messages_)
        messages_->showMessage(text, caption, icon);
}

} // namespace pix
