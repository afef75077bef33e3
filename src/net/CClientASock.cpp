#include "net/CClientASock.h"

#include "net/Notifications.h"

#include <QHostAddress>

namespace tolvane {

CClientASock::CClientASock(QObject* parent) : QObject(parent), m_socket(this)
{
    // Small request frames should leave at once, as one segment each.
    connect(&m_socket, &QTcpSocket::connected, this, [this] {
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_connecting = false;
        Q_EMIT OnConnect(0);
    });
    connect(&m_socket, &QTcpSocket::readyRead, this, &CClientASock::OnReceive);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &CClientASock::onError);
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] { m_closed = true; });
}

void CClientASock::Connect(const QString& host, quint16 port)
{
    Close();
    m_closed = false;
    m_connecting = true;
    m_socket.connectToHost(host, port);
}

void CClientASock::Send(const QByteArray& frame)
{
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return;
    qint64 sent = 0;
    while (sent < frame.size()) {
        const qint64 n = m_socket.write(frame.constData() + sent, frame.size() - sent);
        if (n < 0) {
            m_lastError = m_socket.errorString();
            return;
        }
        sent += n;
    }
    // Hand the bytes to the system now rather than at the next event-loop turn.
    m_socket.flush();
}

void CClientASock::Close()
{
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.abort();
    m_closed = true;
    m_connecting = false;
}

void CClientASock::OnReceive()
{
    while (!m_closed && m_socket.bytesAvailable() > 0) {
        const QByteArray bytes = m_socket.read(64 * 1024);
        if (bytes.isEmpty())
            break;
        const int completed = m_assembler.feed(bytes);
        for (int i = 0; i < completed; ++i)
            postNotification(m_owner, WM_FRAME_RECEIVED);
        if (m_assembler.hasError()) {
            // A frame longer than the link accepts: refused like any other receive error.
            m_lastError = QStringLiteral("frame too large");
            Close();
        }
    }
}

void CClientASock::onError(QAbstractSocket::SocketError error)
{
    m_lastError = m_socket.errorString();
    if (m_connecting) {
        m_connecting = false;
        m_socket.abort();
        m_closed = true;
        // A host name that does not resolve fails at once and silently; an address
        // that does not answer is reported through OnConnect.
        if (error != QAbstractSocket::HostNotFoundError)
            Q_EMIT OnConnect(int(error) + 1);
        return;
    }
    // The peer closed or a read failed: the link is closed for good; a partly
    // received frame is never dispatched.
    m_closed = true;
    m_socket.abort();
}

} // namespace tolvane
