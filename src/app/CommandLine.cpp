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

std::optional<quint16> testServerPort(const QString& value)
{
    bool ok = false;
    const uint port = value.toUInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

} // namespace tolvane
