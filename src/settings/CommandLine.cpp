#include "settings/CommandLine.h"

#include "settings/SettingsKeys.h"

#include <QDir>

namespace tolvane::settings {

using namespace Qt::StringLiterals;

bool autoLoginRequested(const QStringList& programArguments)
{
    bool autoLogin = false;
    for (const QString& argument : programArguments)
        autoLogin = argument == QLatin1String("-auto");
    return autoLogin;
}

QString settingsPathFor(const QString& currentDirectory)
{
    return QDir::cleanPath(QDir(currentDirectory).absoluteFilePath(keys::kSettingsFileName));
}

std::optional<quint16> testServerPort(const QString& value)
{
    bool ok = false;
    const uint port = value.toUInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

QString commandOption(HandOverCommand command)
{
    switch (command) {
    case HandOverCommand::None:
        break;
    case HandOverCommand::Say:
        return u"--say"_s;
    case HandOverCommand::Broadcast:
        return u"--broadcast"_s;
    case HandOverCommand::Stop:
        return u"--stop"_s;
    case HandOverCommand::Status:
        return u"--status"_s;
    }
    return {};
}

StartRequest parseStartRequest(const QStringList& programArguments)
{
    StartRequest request;
    const auto setCommand = [&request](HandOverCommand command, QString argument = {}) {
        if (request.command != HandOverCommand::None && request.error.isEmpty())
            request.error = u"only one command at a time"_s;
        request.command = command;
        request.argument = std::move(argument);
    };
    for (qsizetype i = 0; i < programArguments.size(); ++i) {
        const QString& a = programArguments.at(i);
        if (a == u"--say" || a == u"--broadcast") {
            if (i + 1 >= programArguments.size()) {
                request.error = a + u" needs an argument"_s;
                continue;
            }
            // The next argument is the text as it stands, even when it looks like an option.
            setCommand(a == u"--say" ? HandOverCommand::Say : HandOverCommand::Broadcast,
                       programArguments.at(++i));
        } else if (a == u"--stop") {
            setCommand(HandOverCommand::Stop);
        } else if (a == u"--status") {
            setCommand(HandOverCommand::Status);
        } else if (a == u"--headless") {
            request.headless = true;
        }
    }
    if (request.headless && request.command != HandOverCommand::None && request.error.isEmpty())
        request.error = u"--headless takes no command"_s;
    return request;
}

} // namespace tolvane::settings
