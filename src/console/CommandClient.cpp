#include "console/CommandClient.h"

#include "console/CommandSocketName.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

#ifdef Q_OS_WIN
#include "platform/PrivatePipe.h"
#else
#include "platform/PrivateDirectory.h"

#include <QFileInfo>
#endif

#include <cstdio>

namespace tolvane::console {

using namespace Qt::StringLiterals;

CommandReply CommandClient::handOver(const QString& serverName, const CommandRequest& request,
                                     int timeoutMs)
{
    const QByteArray frame = encodeCommandFrame(requestToJson(request));
    if (frame.isEmpty())
        return {CommandStatus::Usage, u"the text is too long to hand over"_s};

    const QDeadlineTimer deadline(timeoutMs);
#ifndef Q_OS_WIN
    // Whoever controls the socket's folder could stand in for the console: only a
    // folder that nobody else can have put a socket into is trusted.
    const platform::DirectoryCheck folder =
        platform::inspectPrivateDirectory(QFileInfo(serverName).absolutePath());
    if (folder.trust == platform::DirectoryTrust::Missing)
        return {CommandStatus::NoConsole, u"no console is running"_s};
    if (folder.trust != platform::DirectoryTrust::Private)
        return {CommandStatus::NotOwnSocket,
                u"not sent: "_s + folder.problem +
                    u", so the console there may not be this user's"_s};
#endif
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(int(deadline.remainingTime()))) {
        switch (socket.error()) {
        case QLocalSocket::ServerNotFoundError:
        case QLocalSocket::ConnectionRefusedError:
            return {CommandStatus::NoConsole, u"no console is running"_s};
        default:
            return {CommandStatus::NoAnswer,
                    u"cannot reach the console: "_s + socket.errorString()};
        }
    }
#ifdef Q_OS_WIN
    // Anyone may have made a pipe of this name; only this user's own is trusted.
    QString problem;
    if (!platform::isOwnPipe(socket.socketDescriptor(), &problem)) {
        socket.abort();
        return {CommandStatus::NotOwnSocket,
                u"not sent: "_s + problem + u", so it may not be this user's console"_s};
    }
#endif
    socket.write(frame);

    CommandReader reader;
    while (reader.feed(socket.readAll()) == CommandReader::State::Incomplete) {
        if (deadline.hasExpired() || socket.state() != QLocalSocket::ConnectedState ||
            !socket.waitForReadyRead(int(deadline.remainingTime()))) {
            // What came just before the console closed still counts.
            if (reader.feed(socket.readAll()) != CommandReader::State::Incomplete)
                break;
            return {CommandStatus::NoAnswer, u"the console did not answer in time"_s};
        }
    }
    if (reader.state() == CommandReader::State::Complete) {
        if (const std::optional<CommandReply> reply = replyFromJson(reader.message()))
            return *reply;
    }
    return {CommandStatus::NoAnswer, u"the console's answer cannot be read"_s};
}

int CommandClient::run(const CommandRequest& request)
{
    const CommandReply reply = handOver(commandSocketName(), request);
    // One line whatever the text holds, so a script can read it with `read`.
    QString line = reply.line;
    line.replace(u'\n', u' ').replace(u'\r', u' ');
    std::FILE* out = reply.status == CommandStatus::Ok ? stdout : stderr;
    std::fputs(line.toUtf8().constData(), out);
    std::fputc('\n', out);
    std::fflush(out);
    return int(reply.status);
}

} // namespace tolvane::console
