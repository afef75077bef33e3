#pragma once

#include "protocol/Wire.h"

#include <QObject>

namespace tolvane::net {

// What the console needs of its one connection to the game server. The socket
// class is the real one; tests put a scripted connection in its place so the
// console's glue runs without a network.
//
// Each reply frame is emitted as soon as it is complete, in the order the server
// sent them; a close that follows is emitted after them. A receiver that must not
// run inside the socket's read handler connects with a queued connection and so
// handles each frame in a turn of the event loop of its own, still in order.
class ServerConnection : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // connectFinished's code for a host text that names nothing.
    static constexpr int kHostNotFound = -2;

    // Starts connecting; the outcome arrives through connectFinished.
    virtual void Connect(const QString& host, quint16 port) = 0;
    // Sends a whole frame; false when it could not be handed over (no connection, or
    // the socket failed), in which case the rest of the frame is dropped.
    virtual bool Send(const QByteArray& frame) = 0;
    // Closes without a word to the peer; closed is not emitted for it.
    virtual void Close() = 0;
    virtual bool isConnected() const = 0;

    QString lastError() const { return m_lastError; }

Q_SIGNALS:
    // The outcome of a connect: 0 on success, any other value a failure.
    void connectFinished(int errorCode);
    void frameReceived(const tolvane::protocol::Frame& frame);
    // An established connection ended without our asking: the peer closed it, it was
    // reset, a read failed or a frame was refused. The reason is in lastError().
    void closed(int errorCode);

protected:
    void setLastError(const QString& text) { m_lastError = text; }

private:
    QString m_lastError;
};

} // namespace tolvane::net
