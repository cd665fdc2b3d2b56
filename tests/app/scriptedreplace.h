// The replace question of a run answered from a script, for the tests of runs with and without
// the window.
#pragma once

#include "app/runprompt.h"

#include <QStringList>
#include <deque>

namespace pix::test {

// Answers the replace question from a queue (No when it runs dry) and counts the questions.
class ScriptedReplace : public ReplaceQuestion {
public:
    std::deque<ReplaceAnswer> answers;
    int asked = 0;

    QStringList paths; // the files asked about, in order

    ReplaceAnswer askReplace(const QString&, const QString& path, QObject*) override {
        ++asked;
        paths << path;
        if (answers.empty())
            return ReplaceAnswer::No;
        const ReplaceAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace pix::test
