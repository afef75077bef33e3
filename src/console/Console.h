#pragma once

#include "console/CommandDispatcher.h"
#include "console/CommandServer.h"
#include "console/ConsoleController.h"

#include <memory>

namespace tolvane::platform {
class SingleInstanceLock;
}

namespace tolvane::console {

// The one place the console is put together, for the window and for the console
// without one alike: the controller with its parts and services, the commands that
// scripts hand over and the socket they come by. A front end supplies the operator's
// answers, shows what the controller signals, and calls start() once it listens.
class Console : public QObject
{
    Q_OBJECT
public:
    // `prompts` and `time` outlive the console; a null `time` is the system's clock
    // and a null `connection` a real socket.
    Console(ConsoleOptions options, OperatorPrompts& prompts, TimeSource* time = nullptr,
            std::unique_ptr<net::ServerConnection> connection = nullptr, QObject* parent = nullptr);
    ~Console() override;

    // Takes commands on `socketName` while `lock` is held (none without the lock, or
    // with no name), then starts the controller: settings, files, timers, the link.
    void start(const platform::SingleInstanceLock* lock = nullptr, const QString& socketName = {});
    // Ends the run: the reason is logged, commands stop, and the controller goes
    // with its timers and connection (controller() and commands() are gone after it).
    void stop(const QString& reason);
    bool isStopped() const { return !m_controller; }

    ConsoleController& controller() { return *m_controller; }
    CommandDispatcher& commands() { return *m_dispatcher; }
    CommandServer& commandServer() { return *m_server; }

private:
    std::unique_ptr<ConsoleController> m_controller;
    std::unique_ptr<CommandDispatcher> m_dispatcher;
    std::unique_ptr<CommandServer> m_server;
};

} // namespace tolvane::console
