#pragma once

#include "net/ServerConnection.h"
#include "protocol/FrameAssembler.h"
#include "protocol/ServerPort.h"

#include <QTcpSocket>

namespace tolvane::net {

// The console's one TCP connection to the game server. A closed socket sends
// nothing until the next Connect.
class CClientASock : public ServerConnection
{
    Q_OBJECT
public:
    explicit CClientASock(QObject* parent = nullptr);

    // Starts a non-blocking connect. A host text that is neither a dotted address
    // nor resolvable fails with kHostNotFound (lastError() keeps the reason).
    void Connect(const QString& host, quint16 port = protocol::kServerPort) override;
    bool Send(const QByteArray& frame) override;
    void Close() override;
    bool isConnected() const override
    {
        return m_socket.state() == QAbstractSocket::ConnectedState;
    }

    bool isClosed() const { return m_closed; }

    // The code connectFinished and closed carry for a socket error: never 0, which
    // means success.
    static int errorCode(QAbstractSocket::SocketError error);

private:
    void OnReceive();
    void onError(QAbstractSocket::SocketError error);
    void lose(int code);

    QTcpSocket m_socket;
    protocol::FrameAssembler m_assembler;
    bool m_connecting = false;
    bool m_closed = false;
};

} // namespace tolvane::net
