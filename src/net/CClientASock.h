#pragma once

#include "net/FrameAssembler.h"

#include <QObject>
#include <QPointer>
#include <QTcpSocket>

namespace tolvane {

// The console's one connection to the game server. Connect once; there is no
// reconnection: once closed, the socket stays closed for the rest of the run and
// sends fail silently. Each completed reply frame is queued here and announced to
// the owner with a posted WM_FRAME_RECEIVED.
class CClientASock : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 10010;

    explicit CClientASock(QObject* parent = nullptr);

    void setOwner(QObject* owner) { m_owner = owner; }
    // Starts a non-blocking connect. A host text that is neither a dotted address
    // nor resolvable fails without a word (lastError() keeps the reason).
    void Connect(const QString& host, quint16 port = kDefaultPort);
    // Sends a whole frame, or drops the rest of it silently on a failure.
    void Send(const QByteArray& frame);
    void Close();

    bool hasFrame() const { return m_assembler.hasFrame(); }
    wire::Frame takeFrame() { return m_assembler.takeFrame(); }
    bool isConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    bool isClosed() const { return m_closed; }
    QString lastError() const { return m_lastError; }

Q_SIGNALS:
    // The outcome of the connect: 0 on success, else a socket error code.
    void OnConnect(int errorCode);

private:
    void OnReceive();
    void onError(QAbstractSocket::SocketError error);

    QTcpSocket m_socket;
    QPointer<QObject> m_owner;
    FrameAssembler m_assembler;
    bool m_connecting = false;
    bool m_closed = false;
    QString m_lastError;
};

} // namespace tolvane
