#pragma once

#include "console/CommandReader.h"

#include <QObject>
#include <QPointer>

#include <list>

#include <functional>

class QLocalSocket;

namespace tolvane::platform {
class SingleInstanceLock;
}

namespace tolvane::console {

class ConsoleTimer;
class TimeSource;

// Takes commands from other starts of the program on a local socket only this user
// can open: one request and one reply per connection. A peer that sends garbage,
// too much, too slowly or stops half-way gets an error reply and is dropped; none
// can stop or block the console, and at most kMaxConnections are served at once.
class CommandServer : public QObject
{

    Q_OBJECT
public:
    static constexpr int kMaxConnections = 8;
    // A whole request must arrive within this time of the connection.
    static constexpr int kRequestDeadlineMs = 2000;
    // After the reply, a peer that does not go away is cut off after this time.
    static constexpr int kLingerMs = 2000;

    using Handler = std::function<CommandReply(const CommandRequest&)>;

    // `time` outlives the server; null is the system's clock.
    explicit CommandServer(Handler handler, TimeSource* time = nullptr, QObject* parent = nullptr);
    ~CommandServer() override;

    // Listens on `name` (commandSocketName() in the program) for the console that holds
    // `lock`. Without it nothing is touched, since another console may be listening
    // there; with it, a socket left by a console that died is removed first. On POSIX
    // the socket's folder must be private (a folder of ours open to others is
    // narrowed); on Windows the pipe must not exist yet.
    bool listen(const QString& name, const platform::SingleInstanceLock& lock);
    void close();
    QString errorString() const { return m_error; }
    QString fullServerName() const;
    int connectionCount() const { return int(m_connections.size()); }

private:
    class Listener;
    // One peer. On POSIX the server reads and writes the socket itself, so that a peer
    // that shuts down its writing side can still be told why its request failed.
    struct Connection
    {
        QObject* holder = nullptr;      // parent of the timer and the socket's objects
        int fd = -1;                    // POSIX
        QLocalSocket* socket = nullptr; // Windows
        ConsoleTimer* deadline = nullptr;
        CommandReader reader;
        bool answered = false;
    };

    void accept(quintptr descriptor);
    void onReadable(Connection* c);
    void take(Connection* c, const QByteArray& bytes, bool ended);
    void reply(Connection* c, const CommandReply& reply);
    void drop(Connection* c);
    bool isOpen(const Connection* c) const;

    Handler m_handler;
    TimeSource* m_time;
    Listener* m_server;
    QString m_error;
    std::list<Connection> m_connections;
};

} // namespace tolvane::console
