// The messages of a job-file load: every problem with the file itself is one message box with
// the caption "Error" and the exclamation icon.
#pragma once

#include "jobs/userprompt.h"

#include <QString>

namespace pix {

inline void showJobFileError(UserPrompt* prompt, const QString& text) {
    if (prompt != nullptr)
        prompt->showMessage(text, QStringLiteral("Error"), MessageIcon::Exclamation);
}

} // namespace pix
