#include "settings/CommandLine.h"

#include "settings/SettingsKeys.h"

#include <QDir>

namespace tolvane::settings {

using namespace Qt::StringLiterals;

bool autoLoginRequested(const QStringList& programArguments)
{
    bool autoLogin = false;
    for (qsizetype i = 0; i < programArguments.size(); ++i) {
        // The world a shortcut names is no argument of the old kind: "-auto --profile
        // NAME" still logs in by itself.
        if (programArguments.at(i) == u"--profile") {
            ++i;
            continue;
        }
        autoLogin = programArguments.at(i) == QLatin1String("-auto");
    }
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

namespace {

// The window toolkit's own options, which it also takes with two dashes; those that
// take a value are followed by it.
struct ToolkitOption
{
    QLatin1StringView name;
    bool takesValue;
};

constexpr ToolkitOption kToolkitOptions[] = {
    {"--platform"_L1, true},        {"--platformpluginpath"_L1, true},
    {"--platformtheme"_L1, true},   {"--plugin"_L1, true},
    {"--qwindowgeometry"_L1, true}, {"--qwindowicon"_L1, true},
    {"--qwindowtitle"_L1, true},    {"--style"_L1, true},
    {"--stylesheet"_L1, true},      {"--session"_L1, true},
    {"--display"_L1, true},         {"--reverse"_L1, false},
    {"--widgetcount"_L1, false},    {"--nograb"_L1, false},
    {"--dograb"_L1, false},         {"--sync"_L1, false},
};

const ToolkitOption* findToolkitOption(const QString& argument)
{
    for (const ToolkitOption& option : kToolkitOptions) {
        if (argument == option.name)
            return &option;
    }
    return nullptr;
}

} // namespace

StartRequest parseStartRequest(const QStringList& programArguments)
{
    StartRequest request;
    const auto fail = [&request](QString error) {
        if (request.error.isEmpty())
            request.error = std::move(error);
    };
    const auto setCommand = [&](HandOverCommand command, QString argument = {}) {
        if (request.command != HandOverCommand::None)
            fail(u"only one command at a time"_s);
        request.command = command;
        request.argument = std::move(argument);
    };
    for (qsizetype i = 0; i < programArguments.size(); ++i) {
        const QString& a = programArguments.at(i);
        if (a == u"--say" || a == u"--broadcast") {
            if (i + 1 >= programArguments.size()) {
                fail(a + u" needs an argument"_s);
                continue;
            }
            // The next argument is the text as it stands, even when it looks like an option.
            setCommand(a == u"--say" ? HandOverCommand::Say : HandOverCommand::Broadcast,
                       programArguments.at(++i));
        } else if (a == u"--stop") {
            setCommand(HandOverCommand::Stop);
        } else if (a == u"--status") {
            setCommand(HandOverCommand::Status);
        } else if (a == u"--profile") {
            if (i + 1 >= programArguments.size()) {
                fail(a + u" needs a name"_s);
                continue;
            }
            if (request.profile)
                fail(u"only one --profile at a time"_s);
            request.profile = programArguments.at(++i);
        } else if (a == u"--all") {
            request.all = true;
        } else if (a == u"--list-profiles") {
            request.listProfiles = true;
        } else if (a == u"--headless") {
            request.headless = true;
        } else if (a == u"--help" || a == u"-h") {
            request.help = true;
        } else if (a == u"--version") {
            request.version = true;
        } else if (const ToolkitOption* option = findToolkitOption(a)) {
            if (option->takesValue)
                ++i;
        } else if (a.startsWith(u"--")) {
            fail(u"unknown option "_s + a);
        }
    }
    if (request.headless && request.command != HandOverCommand::None)
        fail(u"--headless takes no command"_s);
    if (request.all && request.command == HandOverCommand::None)
        fail(u"--all goes with --say, --broadcast, --stop or --status"_s);
    if (request.all && request.profile)
        fail(u"--all addresses every profile; leave out --profile"_s);
    if (request.listProfiles &&
        (request.command != HandOverCommand::None || request.headless || request.profile))
        fail(u"--list-profiles goes alone"_s);
    return request;
}

} // namespace tolvane::settings
