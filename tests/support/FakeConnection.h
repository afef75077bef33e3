#pragma once

#include "net/ServerConnection.h"
#include "protocol/FrameAssembler.h"

#include <QList>

#include <functional>

namespace testsupport {

// A connection the test plays the server's side of: it decides when a connect
// succeeds or fails, sees every frame the console sends, hands replies in and
// drops the link. Each completed reply is emitted as the socket emits it.
class FakeConnection : public tolvane::net::ServerConnection
{
public:
    struct Attempt
    {
        QString host;
        quint16 port = 0;
    };

    void Connect(const QString& host, quint16 port) override;
    bool Send(const QByteArray& frame) override;
    void Close() override;
    bool isConnected() const override { return m_connected; }

    // The server's side.
    void accept();                       // the pending connect succeeds
    void refuse(int code = 1);           // the pending connect fails
    void reply(const QByteArray& bytes); // any bytes: whole frames, pieces, several
    void drop(int code = 2);             // the server closes or the link breaks
    // Called for every frame the console sends while connected, e.g. to answer it.
    std::function<void(const tolvane::protocol::Frame&)> onRequest;

    QList<Attempt> attempts;
    QList<QByteArray> sent; // whole frames, in order
    QList<QByteArray> sentWithCommand(quint16 command) const;
    int closes = 0;           // Close() calls
    bool refuseSends = false; // connected, but every frame fails to go out

private:
    bool m_connected = false;
    tolvane::protocol::FrameAssembler m_replies;
};

// Answers like a server would: the login with `loginResult`, the player count
// with `players`.
void answerAsServer(FakeConnection& connection, qint32 loginResult = 1, qint32 players = 12);

} // namespace testsupport
