#include "app/CommandLine.h"

#include "app/SettingsKeys.h"

#include <QDir>

namespace tolvane {

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

} // namespace tolvane
