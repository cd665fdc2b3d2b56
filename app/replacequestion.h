// The replace question of an interactive run in a message box: Yes, No, Yes to All, No to All.
#pragma once

#include "app/runprompt.h"

namespace pix {

class MessageBoxReplaceQuestion : public ReplaceQuestion {
public:
    ReplaceAnswer askReplace(const QString& text, QObject* owner) override;
};

} // namespace pix
