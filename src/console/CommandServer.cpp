#include "console/CommandServer.h"

#include "console/TimeSource.h"
#include "platform/PrivateDirectory.h"
#include "platform/SingleInstanceLock.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <algorithm>

#ifdef Q_OS_WIN
#include "platform/PrivatePipe.h"
#else
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace tolvane::console {

using namespace Qt::StringLiterals;

#ifdef Q_OS_WIN
// QLocalServer cannot make sure that nobody made the pipe first: the pipe is made here.
class CommandServer::Listener : public QObject
{
public:
    explicit Listener(CommandServer* server)
        : QObject(server), m_pipe([server](qintptr handle) { server->accept(quintptr(handle)); })
    {}
    bool listen(const QString& name) { return m_pipe.listen(name); }
    void close() { m_pipe.close(); }
    QString errorString() const { return m_pipe.errorString(); }
    QString fullServerName() const { return m_pipe.fullServerName(); }

private:
    platform::PrivatePipeServer m_pipe;
};
#else
// Hands each accepted connection's descriptor to the server instead of wrapping it.
class CommandServer::Listener : public QLocalServer
{
public:
    explicit Listener(CommandServer* server) : QLocalServer(server), m_server(server)
    {
        setSocketOptions(QLocalServer::UserAccessOption);
        setMaxPendingConnections(kMaxConnections);
    }

protected:
    void incomingConnection(quintptr descriptor) override { m_server->accept(descriptor); }

private:
    CommandServer* m_server;
};
#endif

CommandServer::CommandServer(Handler handler, TimeSource* time, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)),
      m_time(time ? time : &SystemTimeSource::instance()), m_server(new Listener(this))
{}

CommandServer::~CommandServer()
{
    close();
}

bool CommandServer::listen(const QString& name, const platform::SingleInstanceLock& lock)
{
    if (!lock.isHeld()) {
        m_error = u"this console does not hold the single-instance lock"_s;
        return false;
    }
#ifndef Q_OS_WIN
    const platform::DirectoryCheck folder =
        platform::preparePrivateDirectory(QFileInfo(name).absolutePath());
    if (folder.trust != platform::DirectoryTrust::Private) {
        m_error = folder.problem;
        return false;
    }
    QLocalServer::removeServer(name);
#endif
    if (!m_server->listen(name)) {
        m_error = m_server->errorString();
        return false;
    }
    return true;
}

void CommandServer::close()
{
    m_server->close();
    while (!m_connections.empty())
        drop(&m_connections.front());
}

QString CommandServer::fullServerName() const
{
    return m_server->fullServerName();
}

void CommandServer::accept(quintptr descriptor)
{
    Connection* c = &m_connections.emplace_back();
    c->holder = new QObject(this);
    c->deadline = m_time->createTimer(c->holder);
    c->deadline->setSingleShot(true);
    connect(c->deadline, &ConsoleTimer::timeout, this, [this, c] {
        if (c->answered)
            drop(c); // a peer that does not go away after the reply
        else
            reply(c, {CommandStatus::BadRequest, u"the request came too slowly"_s});
    });
#ifdef Q_OS_WIN
    c->socket = new QLocalSocket(c->holder);
    c->socket->setSocketDescriptor(descriptor);
    connect(c->socket, &QLocalSocket::readyRead, this,
            [this, c] { take(c, c->socket->readAll(), false); });
    connect(c->socket, &QLocalSocket::disconnected, this, [this, c] { drop(c); });
#else
    c->fd = int(descriptor);
    ::fcntl(c->fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(c->fd, F_SETFL, ::fcntl(c->fd, F_GETFL) | O_NONBLOCK);
    auto* notifier = new QSocketNotifier(qintptr(c->fd), QSocketNotifier::Read, c->holder);
    connect(notifier, &QSocketNotifier::activated, this, [this, c] { onReadable(c); });
#endif
    if (m_connections.size() > size_t(kMaxConnections)) {
        reply(c, {CommandStatus::BadRequest, u"the console is busy"_s});
        return;
    }
    c->deadline->start(kRequestDeadlineMs);
}

void CommandServer::onReadable(Connection* c)
{
#ifndef Q_OS_WIN
    QByteArray bytes;
    bool ended = false;
    char buffer[1024];
    // Never more than the reader can hold in one turn; the rest waits for the next.
    while (bytes.size() <= kCommandLengthSize + kMaxCommandPayload) {
        const ssize_t n = ::recv(c->fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            bytes.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // 0: the peer will send no more; an error other than "nothing yet" ends it too.
        ended = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        break;
    }
    take(c, bytes, ended);
#else
    Q_UNUSED(c);
#endif
}

void CommandServer::take(Connection* c, const QByteArray& bytes, bool ended)
{
    if (c->answered) {
        if (ended)
            drop(c); // the peer has the reply and went
        return;
    }
    c->reader.feed(bytes);
    switch (c->reader.state()) {
    case CommandReader::State::Incomplete:
        if (ended)
            reply(c, {CommandStatus::BadRequest, u"the request was cut short"_s});
        return;
    case CommandReader::State::Failed:
        reply(c, {CommandStatus::BadRequest, c->reader.error()});
        return;
    case CommandReader::State::Complete:
        break;
    }
    QString error;
    const std::optional<CommandRequest> request = requestFromJson(c->reader.message(), &error);
    if (!request) {
        reply(c, {CommandStatus::BadRequest, error});
        return;
    }
    // The handler may open a box whose own loop serves the socket again: the
    // connection counts as answered while it runs.
    c->answered = true;
    c->deadline->stop();
    const CommandReply answer = m_handler(*request);
    if (isOpen(c)) {
        c->answered = false;
        reply(c, answer);
    }
}

void CommandServer::reply(Connection* c, const CommandReply& answer)
{
    if (c->answered)
        return;
    c->answered = true;
    const QByteArray frame = encodeCommandFrame(replyToJson(answer));
    // A peer that does not go away after the reply is cut off later.
    c->deadline->start(kLingerMs);
#ifdef Q_OS_WIN
    c->socket->write(frame);
    c->socket->disconnectFromServer(); // written out first
#else
    // A fresh local socket takes a reply this small at once; the peer may still read
    // it after having shut down its own side.
    [[maybe_unused]] const ssize_t n =
        ::send(c->fd, frame.constData(), size_t(frame.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(c->fd, SHUT_WR);
#endif
}

bool CommandServer::isOpen(const Connection* c) const
{
    return std::any_of(m_connections.begin(), m_connections.end(),
                       [c](const Connection& open) { return &open == c; });
}

void CommandServer::drop(Connection* c)
{
    const auto it = std::find_if(m_connections.begin(), m_connections.end(),
                                 [c](const Connection& open) { return &open == c; });
    if (it == m_connections.end())
        return;
    QObject* holder = c->holder;
    const int fd = c->fd;
    m_connections.erase(it);
    // Nothing of it reaches the server any more; the objects go once their signal
    // has returned.
    for (QObject* child : holder->findChildren<QObject*>())
        child->disconnect(this);
    if (auto* socket = holder->findChild<QLocalSocket*>())
        socket->abort();
#ifndef Q_OS_WIN
    for (auto* notifier : holder->findChildren<QSocketNotifier*>())
        notifier->setEnabled(false);
    if (fd >= 0)
        ::close(fd);
#else
    Q_UNUSED(fd);
#endif
    holder->deleteLater();
}

} // namespace tolvane::console
