#include "net/CClientASock.h"

namespace tolvane::net {

namespace {
// A frame longer than the link accepts is refused like a receive error.
constexpr int kFrameRefused = 1000;
} // namespace

int CClientASock::errorCode(QAbstractSocket::SocketError error)
{
    // UnknownSocketError is -1: adding one would turn it into 0, the code of success.
    return error == QAbstractSocket::UnknownSocketError ? int(error) : int(error) + 1;
}

CClientASock::CClientASock(QObject* parent) : ServerConnection(parent), m_socket(this)
{
    // Small request frames should leave at once, as one segment each.
    connect(&m_socket, &QTcpSocket::connected, this, [this] {
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_connecting = false;
        Q_EMIT connectFinished(0);
    });
    connect(&m_socket, &QTcpSocket::readyRead, this, &CClientASock::OnReceive);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &CClientASock::onError);
    // A peer that closes in an orderly way may not raise an error first.
    connect(&m_socket, &QTcpSocket::disconnected, this,
            [this] { lose(errorCode(QAbstractSocket::RemoteHostClosedError)); });
}

void CClientASock::Connect(const QString& host, quint16 port)
{
    Close();
    m_assembler = protocol::FrameAssembler();
    m_closed = false;
    m_connecting = true;
    m_socket.connectToHost(host, port);
}

bool CClientASock::Send(const QByteArray& frame)
{
    if (m_closed || m_socket.state() != QAbstractSocket::ConnectedState)
        return false;
    qint64 sent = 0;
    while (sent < frame.size()) {
        const qint64 n = m_socket.write(frame.constData() + sent, frame.size() - sent);
        if (n < 0) {
            setLastError(m_socket.errorString());
            return false;
        }
        sent += n;
    }
    // Hand the bytes to the system now rather than at the next event-loop turn.
    m_socket.flush();
    return true;
}

void CClientASock::Close()
{
    // Closed before abort(): the disconnected signal it raises is ours, not a loss.
    m_closed = true;
    m_connecting = false;
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.abort();
}

void CClientASock::lose(int code)
{
    if (m_closed)
        return;
    // A partly received frame is never dispatched.
    Close();
    Q_EMIT closed(code);
}

void CClientASock::OnReceive()
{
    while (!m_closed && m_socket.bytesAvailable() > 0) {
        const QByteArray bytes = m_socket.read(64 * 1024);
        if (bytes.isEmpty())
            break;
        m_assembler.feed(bytes);
        // The frames completed before a refused one still count.
        while (m_assembler.hasFrame())
            Q_EMIT frameReceived(m_assembler.takeFrame());
        if (m_assembler.hasError()) {
            setLastError(QStringLiteral("frame too large"));
            lose(kFrameRefused);
        }
    }
}

void CClientASock::onError(QAbstractSocket::SocketError error)
{
    if (m_closed)
        return;
    setLastError(m_socket.errorString());
    if (m_connecting) {
        m_connecting = false;
        m_closed = true;
        m_socket.abort();
        // A host name that does not resolve is told apart: the operator is not shown
        // a box for it.
        Q_EMIT connectFinished(error == QAbstractSocket::HostNotFoundError ? kHostNotFound
                                                                           : errorCode(error));
        return;
    }
    lose(errorCode(error));
}

} // namespace tolvane::net
