#include "ScriptedPrompts.h"

#include <QTest>

namespace testsupport {

void ScriptedPrompts::expectQuestion(Question question, bool answer, int slot)
{
    m_script.enqueue({true, int(question), slot, {}, answer});
}

void ScriptedPrompts::expectNotice(Notice notice, const QString& detail)
{
    m_script.enqueue({false, int(notice), 0, detail, false});
}

bool ScriptedPrompts::take(const Step& actual, bool* answer)
{
    const QString what =
        (actual.isQuestion ? QStringLiteral("question ") : QStringLiteral("notice ")) +
        QString::number(actual.kind) +
        (actual.isQuestion ? QStringLiteral(" slot ") + QString::number(actual.slot)
                           : QStringLiteral(" ") + actual.detail);
    seen.append(what.trimmed());
    const bool matches = !m_script.isEmpty() && m_script.head().isQuestion == actual.isQuestion &&
                         m_script.head().kind == actual.kind &&
                         m_script.head().slot == actual.slot &&
                         m_script.head().detail == actual.detail;
    if (!matches) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected ") + what), __FILE__, __LINE__);
        return false;
    }
    *answer = m_script.dequeue().answer;
    return true;
}

bool ScriptedPrompts::confirm(Question question, int slot)
{
    bool answer = false;
    return take({true, int(question), slot, {}, false}, &answer) && answer;
}

void ScriptedPrompts::inform(Notice notice, const QString& detail)
{
    bool ignored = false;
    take({false, int(notice), 0, detail, false}, &ignored);
}

} // namespace testsupport
