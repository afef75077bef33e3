#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tolvane {

// Whether the program should log in as soon as the connection is made. `programArguments`
// are the arguments after the program's name, with the toolkit's own options already taken
// out. Each argument overwrites the flag with whether it is exactly "-auto", so the last
// argument decides.
bool autoLoginRequested(const QStringList& programArguments);

// The absolute path of the settings file in `currentDirectory` (the directory the program
// was started in; the path stays fixed for the whole run).
QString settingsPathFor(const QString& currentDirectory);

// The environment variable through which tests start the program against a server of
// their own; nothing else sets it.
inline constexpr char kTestServerPortVariable[] = "TOLVANE_TEST_SERVER_PORT";
// The port that variable's value names, when it is a port number from 1 to 65535.
std::optional<quint16> testServerPort(const QString& value);

} // namespace tolvane
