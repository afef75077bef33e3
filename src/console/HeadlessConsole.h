#pragma once

#include "console/Console.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace tolvane::platform {
class SingleInstanceLock;
}

namespace tolvane::console {

// The questions of a console without a window: each is answered by its safe choice
// (nothing is deleted, bound or released) and every question and notice is logged.
class HeadlessPrompts : public OperatorPrompts
{
public:
    void setController(ConsoleController* controller) { m_controller = controller; }
    bool confirm(Question question, int slot = 0) override;
    void inform(Notice notice, const QString& detail = {}) override;

private:
    ConsoleController* m_controller = nullptr;
};

// The whole console without a window (`tolvane-desk --headless`): the link, the login
// (always, as with "-auto"), the poll, the time signals and the schedule, lists
// started by commands, and the operator's log, every line of which is also written
// to `mirror` (standard output, for a service manager's journal).
class HeadlessConsole : public QObject
{
    Q_OBJECT
public:
    HeadlessConsole(ConsoleOptions options, TimeSource* time = nullptr,
                    std::unique_ptr<net::ServerConnection> connection = nullptr,
                    std::FILE* mirror = stdout, QObject* parent = nullptr);

    // Starts the console; while it holds `lock` it takes commands on `socketName`.
    void start(const platform::SingleInstanceLock* lock = nullptr, const QString& socketName = {});
    // Ends the run: the reason is logged, commands and timers stop and the console
    // goes (controller() and dispatcher() are gone after it).
    void stop(const QString& reason);

    ConsoleController& controller() { return m_console->controller(); }
    CommandDispatcher& dispatcher() { return m_console->commands(); }
    CommandServer& commandServer() { return m_console->commandServer(); }

    // The program: the single-instance lock, the console, SIGTERM and SIGINT. Without
    // the lock it does not start: a service that may run twice and cannot take commands
    // would fail every script quietly, so it ends with CommandStatus::NotStarted and
    // says why on standard error.
    // `profile` names the world (empty: the default console).
    static int run(QCoreApplication& app, const QString& profile = {});

private:
    HeadlessPrompts m_prompts;
    std::FILE* m_mirror;
    std::unique_ptr<Console> m_console;
};

} // namespace tolvane::console
