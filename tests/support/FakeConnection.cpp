#include "FakeConnection.h"

#include "protocol/SessionMessages.h"

namespace testsupport {

using namespace tolvane;
using namespace tolvane::net;

void FakeConnection::Connect(const QString& host, quint16 port)
{
    Close();
    m_replies = protocol::FrameAssembler();
    attempts.append({host, port});
}

bool FakeConnection::Send(const QByteArray& frame)
{
    if (!m_connected || refuseSends)
        return false;
    sent.append(frame);
    if (onRequest) {
        protocol::FrameAssembler one;
        one.feed(frame);
        if (one.hasFrame())
            onRequest(one.takeFrame());
    }
    return true;
}

void FakeConnection::Close()
{
    ++closes;
    m_connected = false;
}

void FakeConnection::accept()
{
    m_connected = true;
    Q_EMIT connectFinished(0);
}

void FakeConnection::refuse(int code)
{
    m_connected = false;
    setLastError(QStringLiteral("refused"));
    Q_EMIT connectFinished(code);
}

void FakeConnection::reply(const QByteArray& bytes)
{
    m_replies.feed(bytes);
    while (m_replies.hasFrame())
        Q_EMIT frameReceived(m_replies.takeFrame());
}

void FakeConnection::drop(int code)
{
    if (!m_connected)
        return;
    m_connected = false;
    setLastError(QStringLiteral("closed by the peer"));
    Q_EMIT closed(code);
}

QList<QByteArray> FakeConnection::sentWithCommand(quint16 command) const
{
    QList<QByteArray> out;
    for (const QByteArray& f : sent) {
        if (protocol::getU16(f, 4) == command)
            out.append(f);
    }
    return out;
}

void answerAsServer(FakeConnection& connection, qint32 loginResult, qint32 players)
{
    connection.onRequest = [&connection, loginResult, players](const protocol::Frame& f) {
        if (f.command == protocol::CmdLogin)
            connection.reply(protocol::buildLoginResult(loginResult));
        else if (f.command == protocol::CmdPlayerCount)
            connection.reply(protocol::buildPlayerCountReply(1, players));
    };
}

} // namespace testsupport
