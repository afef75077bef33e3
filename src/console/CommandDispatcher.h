#pragma once

#include "console/CommandReader.h"
#include "console/ControlState.h"

#include <QJsonObject>
#include <QObject>

namespace tolvane::console {

class ConsoleController;

// What the window's control states leave enabled of the three buttons a command
// stands for: "生声♪", "放送します♪" and "放送中止！". A state changes only the
// controls it names, as in the window.
struct CommandButtons
{
    bool liveSend = false;
    bool start = false;
    bool stop = false;

    void apply(ControlState state);
    bool operator==(const CommandButtons&) const = default;
};

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

    explicit CommandDispatcher(ConsoleController& controller, QObject* parent = nullptr);

    CommandReply handle(const CommandRequest& request);
    // Where the console stands, as --status prints it.
    QJsonObject status() const;
    const CommandButtons& buttons() const { return m_buttons; }

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

    ConsoleController& m_controller;
    CommandButtons m_buttons;
};

} // namespace tolvane::console
