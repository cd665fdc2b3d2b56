// Questions and messages in message boxes, for a run with a display.
#pragma once

#include "jobs/userprompt.h"

namespace pix {

class MessageBoxPrompt : public UserPrompt {
public:
    Answer askYesNo(const QString& text, MessageIcon icon, QObject* owner) override;
    void showMessage(const QString& text, const QString& caption, MessageIcon icon) override;
};

} // namespace pix
