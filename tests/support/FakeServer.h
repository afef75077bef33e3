#pragma once

#include "FrameReader.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace testsupport {

// The game server's place on loopback, played by the test: it takes connections on
// an ephemeral port, keeps every frame the console sends, and replies, closes or
// resets when told. What it writes leaves at once, also right before a reset.
class FakeServer : public QObject
{
public:
    FakeServer();

    quint16 port() const { return m_server.serverPort(); }
    int connections() const { return m_connections; }
    // The latest connection is open.
    bool connected() const;
    QTcpSocket* socket() const { return m_socket; }

    void reply(const QByteArray& bytes);
    // The server goes away in order: the console reads the end of the stream.
    void closeOrderly();
    // Takes no more connections: the console's attempts to come back are refused.
    void stopListening() { m_server.close(); }
    // The connection is reset: the console's next read fails. False where this
    // system cannot make a reset.
    bool reset();

    // Every frame the console sent, over all its connections.
    FrameReader received;

private:
    QTcpServer m_server;
    QPointer<QTcpSocket> m_socket;
    int m_connections = 0;
};

// The console's place, for tests of the simulator: connects at once and keeps
// every byte it reads.
class FakeClient : public QObject
{
public:
    explicit FakeClient(quint16 port);
    void send(const QByteArray& bytes) { socket.write(bytes); }

    QTcpSocket socket;
    FrameReader received;
};

} // namespace testsupport
