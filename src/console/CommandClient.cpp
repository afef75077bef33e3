#include "console/CommandClient.h"

#include "console/CommandSocketName.h"
#include "console/ConsoleOptions.h"
#include "settings/Profiles.h"

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

namespace {

// One line whatever the text holds, so a script can read it with `read`.
void printLine(QString line, bool ok)
{
    line.replace(u'\n', u' ').replace(u'\r', u' ');
    std::FILE* out = ok ? stdout : stderr;
    std::fputs(line.toUtf8().constData(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

// Every console this user may run: the default one, then the profiles by name.
QStringList everyProfile()
{
    return QStringList{QString()} + settings::existingProfiles();
}

} // namespace

int CommandClient::run(const CommandRequest& request, const QString& serverName)
{
    const CommandReply reply = handOver(serverName, request);
    printLine(reply.line, reply.status == CommandStatus::Ok);
    return int(reply.status);
}

int CommandClient::runAll(CommandRequest request)
{
    request.all = true;
    int reached = 0;
    int status = int(CommandStatus::Ok);
    QStringList refusals;
    for (const QString& profile : everyProfile()) {
        const CommandReply reply = handOver(ConsoleOptions::commandSocketOf(profile), request);
        if (reply.status == CommandStatus::NoConsole)
            continue; // not running: nothing to hand over
        ++reached;
        const QString label = settings::profileLabel(profile);
        const bool ok = reply.status == CommandStatus::Ok;
        const bool json = ok && request.command == settings::HandOverCommand::Status;
        printLine(json ? reply.line : label + u": "_s + reply.line, ok);
        if (ok)
            continue;
        if (status == int(CommandStatus::Ok))
            status = int(reply.status);
        refusals.append(label + u" ("_s + QString::number(int(reply.status)) + u": "_s +
                        reply.line + u')');
    }
    if (reached == 0) {
        printLine(u"no console is running"_s, false);
        return int(CommandStatus::NoConsole);
    }
    if (!refusals.isEmpty())
        printLine(u"refused by "_s + refusals.join(u", "_s), false);
    return status;
}

int CommandClient::listProfiles()
{
    for (const QString& profile : everyProfile())
        printLine(
            settings::profileLabel(profile) + u'\t' +
                (isRunning(ConsoleOptions::commandSocketOf(profile)) ? u"running"_s : u"stopped"_s),
            true);
    return int(CommandStatus::Ok);
}

bool CommandClient::isRunning(const QString& serverName)
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    const bool running = socket.waitForConnected(1000);
    socket.abort();
    return running;
}

} // namespace tolvane::console
