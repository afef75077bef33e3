#include "ClientConnection.h"

#include "VelmiraServer.h"

#include <QTcpSocket>

namespace tolvane::sim {

ClientConnection::ClientConnection(QTcpSocket* socket, const SimOptions& options,
                                   VelmiraServer* server)
    : QObject(server), m_socket(socket), m_server(server), m_options(options),
      // Requests are small: no request may claim more than the general bound.
      m_assembler(protocol::PayloadLimits{protocol::kMaxPayload, protocol::kMaxPayload}),
      m_muteAfterFrames(options.muteAfterFrames)
{
    m_socket->setParent(this);
    // Small replies go out at once; pieces of a chunked reply must not be merged
    // again by the sender's segment coalescing.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_peer = m_socket->peerAddress().toString() + QLatin1Char(':') +
             QString::number(m_socket->peerPort());

    m_coalesceTimer.setSingleShot(true);
    m_coalesceTimer.setTimerType(Qt::PreciseTimer);
    m_coalesceTimer.setInterval(qMax(0, m_options.coalesceMs));
    connect(&m_coalesceTimer, &QTimer::timeout, this, &ClientConnection::flushHeld);

    m_chunkTimer.setSingleShot(true);
    m_chunkTimer.setTimerType(Qt::PreciseTimer);
    m_chunkTimer.setInterval(qMax(0, m_options.chunkIntervalMs));
    connect(&m_chunkTimer, &QTimer::timeout, this, &ClientConnection::writeNextPiece);

    connect(m_socket, &QTcpSocket::readyRead, this, &ClientConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &ClientConnection::onDisconnected);
}

ClientConnection::~ClientConnection()
{
    // The socket dies with this object; it must not call back into it then.
    m_socket->disconnect(this);
}

void ClientConnection::onReadyRead()
{
    const QByteArray bytes = m_socket->readAll();
    // Once closing, further requests are not answered.
    if (m_closing)
        return;
    m_assembler.feed(bytes);
    while (m_assembler.hasFrame() && !m_closing) {
        const protocol::Frame frame = m_assembler.takeFrame();
        if (m_muteAfterFrames > 0 && m_framesHandled >= m_muteAfterFrames) {
            m_server->logUnanswered(frame, m_loginAccepted);
        } else {
            const QByteArray reply = m_server->handleFrame(frame, m_loginAccepted);
            if (!reply.isEmpty())
                queueReply(reply);
        }
        ++m_framesHandled;
        if (m_options.closeAfterFrames > 0 && m_framesHandled >= m_options.closeAfterFrames)
            beginClose(QStringLiteral("closing %1 after %2 request frames")
                           .arg(m_peer)
                           .arg(m_framesHandled));
    }
    if (!m_closing && m_assembler.hasError())
        beginClose(QStringLiteral("closing %1: a frame declared more than %2 payload bytes")
                       .arg(m_peer)
                       .arg(protocol::kMaxPayload));
}

void ClientConnection::drop()
{
    m_closing = true;
    m_socket->abort();
    onDisconnected(); // in case the socket was not connected any more
}

void ClientConnection::onDisconnected()
{
    if (m_gone)
        return;
    m_gone = true;
    m_coalesceTimer.stop();
    m_chunkTimer.stop();
    m_server->clientGone(this);
    deleteLater();
}

void ClientConnection::queueReply(const QByteArray& reply)
{
    if (!m_options.coalesce) {
        send(reply);
        return;
    }
    m_held.append(reply);
    if (m_held.size() >= qMax(1, m_options.coalesceCount))
        flushHeld();
    else if (!m_coalesceTimer.isActive())
        m_coalesceTimer.start();
}

void ClientConnection::flushHeld()
{
    m_coalesceTimer.stop();
    if (m_held.isEmpty())
        return;
    QByteArray together;
    for (const QByteArray& reply : std::as_const(m_held))
        together += reply;
    m_held.clear();
    send(together);
}

void ClientConnection::send(const QByteArray& bytes)
{
    if (m_options.chunkBytes <= 0) {
        m_socket->write(bytes);
        m_socket->flush();
        return;
    }
    if (m_outgoingPos > 0) {
        m_outgoing.remove(0, m_outgoingPos);
        m_outgoingPos = 0;
    }
    m_outgoing += bytes;
    if (!m_chunkTimer.isActive())
        writeNextPiece();
}

void ClientConnection::writeNextPiece()
{
    if (m_outgoingPos < m_outgoing.size()) {
        // An offset, not a removal per piece: a list reply of many MiB in small
        // pieces must not be moved again for every piece.
        const qsizetype n =
            qMin<qsizetype>(m_options.chunkBytes, m_outgoing.size() - m_outgoingPos);
        m_socket->write(m_outgoing.constData() + m_outgoingPos, n);
        m_socket->flush();
        m_outgoingPos += n;
        // The next piece waits, also the first piece of a later reply, so the
        // client gets a chance to read each piece on its own.
        m_chunkTimer.start();
        return;
    }
    if (m_closing)
        closeWhenDrained();
}

void ClientConnection::beginClose(const QString& reason)
{
    m_closing = true;
    m_server->logEvent(reason);
    flushHeld();
    closeWhenDrained();
}

void ClientConnection::closeWhenDrained()
{
    if (m_outgoingPos < m_outgoing.size() || m_chunkTimer.isActive())
        return; // writeNextPiece comes back here after the last piece
    // Written bytes still buffered in the socket go out before the close.
    m_socket->disconnectFromHost();
}

} // namespace tolvane::sim
