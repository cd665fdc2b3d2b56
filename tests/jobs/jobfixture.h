// Shared helpers of the job tests: a scripted prompt, a recording log and real picture files.
#pragma once

#include "jobs/jobitem.h"
#include "jobs/outputlog.h"
#include "jobs/userprompt.h"

#include <QStringList>
#include <deque>

namespace pix::test {

// Answers questions from a queue (No when it runs dry) and records every question asked.
class ScriptedPrompt : public UserPrompt {
public:
    std::deque<Answer> answers;
    QStringList questions;
    QStringList messages;

    Answer askYesNo(const QString& text, MessageIcon, QObject*) override {
        questions << text;
        if (answers.empty())
            return Answer::No;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    void showMessage(const QString& text, const QString& caption, MessageIcon) override {
        messages << caption + QStringLiteral(": ") + text;
    }
};

// Writes a PNG of four coloured quadrants (red, green / blue, yellow); true on success.
bool writeQuadrantsPng(const QString& path, int width, int height);

// An item for a real file, with the defaults of a picture added by hand.
JobItem itemFor(const QString& folder, const QString& fileName, int width, int height);

} // namespace pix::test
