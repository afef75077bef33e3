#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tolvane::settings {

// Whether the program should log in as soon as the connection is made. `programArguments`
// are the arguments after the program's name, with the toolkit's own options already taken
// out. Each argument overwrites the flag with whether it is exactly "-auto", so the last
// argument decides; "--profile NAME" plays no part in it.
bool autoLoginRequested(const QStringList& programArguments);

// The absolute path of the settings file in `currentDirectory` (the directory the program
// was started in; the path stays fixed for the whole run).
QString settingsPathFor(const QString& currentDirectory);

// The environment variable through which tests start the program against a server of
// their own; nothing else sets it.
inline constexpr char kTestServerPortVariable[] = "TOLVANE_TEST_SERVER_PORT";
// The port that variable's value names, when it is a port number from 1 to 65535.
std::optional<quint16> testServerPort(const QString& value);

// A command a second start hands to the console that is already running.
enum class HandOverCommand {
    None,
    Say,       // --say TEXT: a live message
    Broadcast, // --broadcast LIST: start a stored list
    Stop,      // --stop: stop the broadcast under way
    Status,    // --status: one line of JSON on where the console stands
};

// What the command line asks of this start: the window (the default), the console
// without a window, a command for the running console, the usage or the version.
struct StartRequest
{
    HandOverCommand command = HandOverCommand::None;
    QString argument; // the text of --say, the list of --broadcast
    bool headless = false;
    bool help = false;    // --help or -h: the usage, before anything else
    bool version = false; // --version
    // --profile NAME: the console of that world (its own files, lock and socket);
    // without it, the console of the files it has always used.
    std::optional<QString> profile;
    bool all = false;          // --all: the command goes to every running console
    bool listProfiles = false; // --list-profiles
    QString error;             // not empty: the arguments make no sense together; nothing runs
};

// Reads the program's own options. An argument that starts with "--" and is none of
// them, nor one of the toolkit's own options, is an error (a mistyped option must not
// start a console); every other argument keeps its old meaning (none, or "-auto").
// Only one command per start, never together with --headless; --all goes with a
// command and without --profile; --list-profiles goes alone.
StartRequest parseStartRequest(const QStringList& programArguments);

// The option of a command, as written on the command line ("--say"); empty for None.
QString commandOption(HandOverCommand command);

} // namespace tolvane::settings
