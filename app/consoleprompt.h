// Questions and messages without a display: messages on standard error, questions on the
// terminal when there is one and answered No otherwise.
#pragma once

#include "jobs/userprompt.h"

namespace pix {

class ConsolePrompt : public UserPrompt {
public:
    Answer askYesNo(const QString& text, MessageIcon icon, QObject* owner) override;
    void showMessage(const QString& text, const QString& caption, MessageIcon icon) override;
};

} // namespace pix
