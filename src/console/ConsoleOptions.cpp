#include "console/ConsoleOptions.h"

#include "console/CommandSocketName.h"
#include "platform/PrivateDirectory.h"
#include "platform/ProgramDirectory.h"
#include "platform/SingleInstanceLock.h"
#include "settings/CommandLine.h"
#include "settings/Profiles.h"

namespace tolvane::console {

using namespace Qt::StringLiterals;

ConsoleOptions ConsoleOptions::forStart(const QString& profile)
{
    ConsoleOptions options;
    if (profile.isEmpty()) {
        options.settingsPath = settings::settingsPathFor(QDir::currentPath());
        options.programDirectory = platform::dataParentDirectory();
    } else {
        const QString folder = settings::profileFolder(profile);
        options.settingsPath = settings::settingsPathFor(folder);
        options.programDirectory = folder;
        options.profile = profile;
    }
    if (const auto port =
            settings::testServerPort(qEnvironmentVariable(settings::kTestServerPortVariable)))
        options.port = *port;
    return options;
}

QString ConsoleOptions::lockFilePath() const
{
    if (profile.isEmpty())
        return platform::SingleInstanceLock::defaultLockFilePath();
    return platform::singleInstanceLockPath(platform::userRuntimeDirectory(),
                                            u"TolvaneDesk-"_s + settings::profileKey(profile));
}

QString ConsoleOptions::logPrefix() const
{
    return profile.isEmpty() ? QString() : u'[' + profile + u"] "_s;
}

QString ConsoleOptions::commandSocketOf(const QString& profile)
{
    if (profile.isEmpty())
        return commandSocketName();
    return commandSocketName(commandSocketPlace(), u"command-"_s + settings::profileKey(profile));
}

} // namespace tolvane::console
