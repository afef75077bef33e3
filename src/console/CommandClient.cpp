#include "console/CommandClient.h"

#include "console/CommandSocketName.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

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
