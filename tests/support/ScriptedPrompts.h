#pragma once

#include "console/OperatorPrompts.h"

#include <QList>
#include <QQueue>

namespace testsupport {

// Stands where the operator would: answers the console's questions from a script
// and checks its notices against the ones the test expects. A question or notice
// the test did not script fails the test, naming it.
class ScriptedPrompts : public tolvane::console::OperatorPrompts
{
public:
    ScriptedPrompts() = default;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    void expectQuestion(Question question, bool answer, int slot = 0);
    void expectNotice(Notice notice, const QString& detail = {});
    // True when everything scripted has happened.
    bool done() const { return m_script.isEmpty(); }

    bool confirm(Question question, int slot = 0) override;
    void inform(Notice notice, const QString& detail = {}) override;

    // Everything asked and told, in order, as "question N" or "notice N detail".
    QStringList seen;

private:
    struct Step
    {
        bool isQuestion = false;
        int kind = 0;
        int slot = 0;
        QString detail;
        bool answer = false;
    };
    bool take(const Step& actual, bool* answer);
    QQueue<Step> m_script;
};

} // namespace testsupport
