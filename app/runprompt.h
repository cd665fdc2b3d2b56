// The questions of one interactive run. Replacing an existing file may be answered for the
// rest of the run ("Yes to All", "No to All"); the next run asks again.
#pragma once

#include "jobs/userprompt.h"

#include <optional>

namespace pix {

enum class ReplaceAnswer { Yes, No, YesToAll, NoToAll };

// Asks whether an existing file is to be replaced, offering the two answers for the rest of
// the run besides Yes and No.
class ReplaceQuestion {
public:
    virtual ~ReplaceQuestion() = default;
    // path: the file in question, shown beside the text.
    virtual ReplaceAnswer askReplace(const QString& text, const QString& path, QObject* owner) = 0;
};

// The prompt a run's conversions talk to. During a run the only question is whether to
// replace a file; once answered "to All" it is answered so without asking until the run ends.
class RunPrompt : public UserPrompt {
public:
    // messages: where messages go; none drops them.
    RunPrompt(ReplaceQuestion& question, UserPrompt* messages)
        : question_(question), messages_(messages) {}

    Answer askYesNo(const QString& text, MessageIcon icon, QObject* owner) override;
    Answer askReplaceFile(const QString& question, const QString& path, QObject* owner) override;
    void showMessage(const QString& text, const QString& caption, MessageIcon icon) override;

private:
    ReplaceQuestion& question_;
    UserPrompt* messages_;
    std::optional<Answer> forAll_;
};

} // namespace pix
