// The replace question of an interactive run in a message box: Yes, No, Yes to All, No to All.
#pragma once

#include "app/runprompt.h"

namespace pix {

class MessageBoxReplaceQuestion : public ReplaceQuestion {
public:
    // The path is the box's informative text, under the question.
    ReplaceAnswer askReplace(const QString& text, const QString& path, QObject* owner) override;
};

} // namespace pix
