// The replace question of a run answered from a script, for the tests of runs with and without
// the window.
#pragma once

#include "app/runprompt.h"

#include <deque>

namespace pix::test {

// Answers the replace question from a queue (No when it runs dry) and counts the questions.
class ScriptedReplace : public ReplaceQuestion {
public:
    std::deque<ReplaceAnswer> answers;
    int asked = 0;

    ReplaceAnswer askReplace(const QString&, QObject*) override {
        ++asked;
        if (answers.empty())
            return ReplaceAnswer::No;
        const ReplaceAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace pix::test
