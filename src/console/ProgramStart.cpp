#include "console/ProgramStart.h"

#include "console/CommandClient.h"
#include "console/HeadlessConsole.h"
#include "settings/CommandLine.h"
#include "settings/ProfileName.h"
#include "settings/Profiles.h"

#include "Version.h"

#include <QCoreApplication>

#include <cstdio>

namespace tolvane::console {

using namespace Qt::StringLiterals;

QString usageText()
{
    return u"usage: tolvane-desk [-auto]            the window; -auto as the last argument logs in "
           u"at once\n"
           "       tolvane-desk --headless         the console without a window, for a service\n"
           "       tolvane-desk --say TEXT         a live message, through this user's running "
           "console\n"
           "       tolvane-desk --broadcast LIST   start a stored list\n"
           "       tolvane-desk --stop             stop the broadcast under way\n"
           "       tolvane-desk --status           where the console stands, one line of JSON\n"
           "       tolvane-desk --profile NAME ... any of the above for the world NAME, with its\n"
           "                                       own files, lock and socket (the window\n"
           "                                       makes a new profile)\n"
           "       tolvane-desk --all --say TEXT   a command to every console this user runs\n"
           "                                       (also --broadcast, --stop, --status)\n"
           "       tolvane-desk --list-profiles    the profiles, and whether each runs\n"
           "       tolvane-desk --help | -h        this text\n"
           "       tolvane-desk --version          the version\n"
           "exit status:\n"
           "   0  done; with --all, every running console carried it out (otherwise --all\n"
           "      exits with the status of the first console that refused, in name order)\n"
           "   1  the command line makes no sense (an unknown option, --say without a text, a\n"
           "      profile name no folder may have, a profile that does not exist, ...)\n"
           "   2  no console is running for this user (for the profile)\n"
           "   3  the link to the server is down, or the console is not logged in\n"
           "   4  no stored list has that name, or it cannot be read\n"
           "   5  a broadcast is already under way (or waits for the link)\n"
           "   6  --stop with no broadcast under way\n"
           "   7  the console did not answer within 5 s\n"
           "   8  the console could not read the request\n"
           "   9  the command socket is not this user's own console's: nothing was sent\n"
           "  10  the console does not start: one of this user's runs already, or its lock\n"
           "      cannot be taken (--headless); the window program cannot be started\n"_s;
}

std::optional<int> runWithoutWindow(int argc, char* argv[],
                                    const std::function<void()>& beforeOutput)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const settings::StartRequest start = settings::parseStartRequest(arguments);
    const bool windowless = start.help || start.version || !start.error.isEmpty() ||
                            start.headless || start.command != settings::HandOverCommand::None ||
                            start.listProfiles;
    if (!windowless)
        return std::nullopt;
    if (beforeOutput)
        beforeOutput();
    if (start.help || start.version) {
        const QString text =
            start.help ? usageText() : u"tolvane-desk "_s + QString(kVersion) + u'\n';
        std::fputs(text.toUtf8().constData(), stdout);
        return int(CommandStatus::Ok);
    }
    if (!start.error.isEmpty()) {
        const QString text = u"tolvane-desk: "_s + start.error + u'\n' + usageText();
        std::fputs(text.toUtf8().constData(), stderr);
        return int(CommandStatus::Usage);
    }
    QCoreApplication app(argc, argv);
    // Read again as the system hands them over (on Windows in UTF-16, not through the
    // ANSI code page).
    const settings::StartRequest request =
        settings::parseStartRequest(QCoreApplication::arguments().mid(1));
    if (request.listProfiles)
        return CommandClient::listProfiles();
    const QString profile = request.profile.value_or(QString());
    if (request.profile) {
        // Only the window makes a profile: a service or a script that names one that
        // is not there has the name wrong.
        const QStringList existing = settings::existingProfiles();
        QString refusal = settings::profileNameError(profile, existing);
        if (refusal.isEmpty() && !existing.contains(profile))
            refusal = u"there is no profile \""_s + profile +
                      u"\"; start the window once with --profile to make it"_s;
        if (!refusal.isEmpty()) {
            std::fputs((u"tolvane-desk: "_s + refusal + u'\n').toUtf8().constData(), stderr);
            return int(CommandStatus::Usage);
        }
    }
    if (request.headless)
        return HeadlessConsole::run(app, profile);
    const CommandRequest command{request.command, request.argument};
    if (request.all)
        return CommandClient::runAll(command);
    return CommandClient::run(command, ConsoleOptions::commandSocketOf(profile));
}

} // namespace tolvane::console
