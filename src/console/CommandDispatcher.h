#pragma once

#include "console/CommandReader.h"
#include "console/ControlState.h"

#include <QJsonObject>
#include <QObject>

namespace tolvane::console {

class ConsoleController;

// Carries out the commands handed over from other starts of the program on the
// console, as if the operator had pressed the button: the same enabling rules, the
// same controller calls, frames and log lines, each line marked as coming from a
// command. A command that cannot be carried out sends nothing; its refusal goes to
// the log in the operator's words and back to the script as a status and a line of
// English (scripts and cron mail often run without a Japanese locale).
class CommandDispatcher : public QObject
{
    Q_OBJECT
public:
    static inline const QString kLogMark = QStringLiteral("[コマンド] ");
    static inline const QString kLogMarkAll = QStringLiteral("[コマンド・全体] ");

    explicit CommandDispatcher(ConsoleController& controller, QObject* parent = nullptr);

    CommandReply handle(const CommandRequest& request);
    // Where the console stands, as --status prints it.
    QJsonObject status() const;
    // The controls as the window shows them: a command may do what its button may.
    const ControlStates& controls() const { return m_controls; }

private:
    CommandReply say(const QString& text);
    CommandReply broadcast(const QString& listName);
    CommandReply stop();
    // A refusal: logged (in Japanese, naming the command) and answered.
    CommandReply refuse(settings::HandOverCommand command, CommandStatus status,
                        const QString& line, const QString& reason);
    // Null when the console is logged in; otherwise the refusal for `command`.
    std::optional<CommandReply> needLogin(settings::HandOverCommand command);
    void log(const QString& text);
    // A broadcast runs, waits for the link or waits for "放送中止！".
    bool isUnderWay() const;

    ConsoleController& m_controller;
    ControlStates m_controls;
    QString m_mark = kLogMark; // the mark of the command being handled
};

} // namespace tolvane::console
