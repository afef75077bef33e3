#include "console/Console.h"

#include "platform/SingleInstanceLock.h"

#include <QFileInfo>

namespace tolvane::console {

using namespace Qt::StringLiterals;

Console::Console(ConsoleOptions options, OperatorPrompts& prompts, TimeSource* time,
                 std::unique_ptr<net::ServerConnection> connection, QObject* parent)
    : QObject(parent), m_controller(std::make_unique<ConsoleController>(
                           std::move(options), prompts, time, std::move(connection))),
      m_dispatcher(std::make_unique<CommandDispatcher>(*m_controller)),
      m_server(std::make_unique<CommandServer>(
          [this](const CommandRequest& r) { return m_dispatcher->handle(r); }, time))
{}

Console::~Console()
{
    // Commands first: none may reach a console on its way out.
    m_server.reset();
    m_dispatcher.reset();
}

void Console::start(const platform::SingleInstanceLock* lock, const QString& socketName)
{
    if (lock && lock->narrowedFolder())
        m_controller->logEvent(u"他のユーザーにも開いていたフォルダを自分だけのものにしました："_s +
                               QFileInfo(lock->lockFilePath()).absolutePath());
    if (lock && !lock->isHeld())
        // Only the holder of the lock may take commands: another console may be
        // listening on that socket.
        m_controller->logEvent(u"コマンドを受け付けません（単一起動のロックが取れません）："_s +
                               lock->errorString());
    else if (lock && !socketName.isEmpty() && !m_server->listen(socketName, *lock))
        m_controller->logEvent(u"コマンドを受け付けられません："_s + m_server->errorString());
    m_controller->initialise();
}

void Console::stop(const QString& reason)
{
    if (!m_controller)
        return;
    m_server->close();
    m_controller->logEvent(u"終了（"_s + reason + u"）"_s);
    m_dispatcher.reset();
    m_controller.reset();
}

} // namespace tolvane::console
