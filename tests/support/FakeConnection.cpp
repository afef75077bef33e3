#include "FakeConnection.h"

#include "net/Notifications.h"
#include "net/SessionMessages.h"

namespace testsupport {

using namespace tolvane;
using namespace tolvane::net;

void FakeConnection::Connect(const QString& host, quint16 port)
{
    Close();
    m_replies = FrameAssembler();
    attempts.append({host, port});
}

bool FakeConnection::Send(const QByteArray& frame)
{
    if (!m_connected)
        return false;
    sent.append(frame);
    if (onRequest) {
        FrameAssembler one;
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
    const int completed = m_replies.feed(bytes);
    for (int i = 0; i < completed; ++i)
        postNotification(owner(), WM_FRAME_RECEIVED);
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
        if (wire::getU16(f, 4) == command)
            out.append(f);
    }
    return out;
}

void answerAsServer(FakeConnection& connection, qint32 loginResult, qint32 players)
{
    connection.onRequest = [&connection, loginResult, players](const wire::Frame& f) {
        if (f.command == wire::CmdLogin)
            connection.reply(session::buildLoginResult(loginResult));
        else if (f.command == wire::CmdPlayerCount)
            connection.reply(session::buildPlayerCountReply(1, players));
    };
}

} // namespace testsupport
