#pragma once

#include "console/OperatorLog.h"
#include "protocol/ServerPort.h"

#include <QDir>
#include <QString>

namespace tolvane::console {

// How a console is set up: where its files are, how it logs in, where the server
// listens. The one options type of both front ends.
struct ConsoleOptions
{
    QString settingsPath;     // Tolvane.ini, fixed at start-up
    QString programDirectory; // the data directory is found beside the program
    bool autoLogin = false;   // log in as soon as the connection attempt completes
    quint16 port = protocol::kServerPort;
    // The operator's log; TolvaneLog beside the data directory when empty.
    QString logDirectory;
    // A refused login is tried once more by itself when the administrator password
    // changes in the settings file, never with a password refused before: a console
    // with nobody at it has no other way to recover.
    bool retryLoginOnNewPassword = false;
    // The world this console is for; empty for the default console.
    QString profile{};

    QString logFolder() const
    {
        return logDirectory.isEmpty() ? QDir(programDirectory).filePath(OperatorLog::kFolderName)
                                      : logDirectory;
    }

    // A start of the program: Tolvane.ini in the directory it was started in (fixed
    // now: the data directory becomes the current one later), the data beside the
    // program, and the test port when tests set one. A profile keeps all of its files
    // in its own folder.
    static ConsoleOptions forStart(const QString& profile = {});

    // The single-instance lock and the command socket of this console: one of each
    // per user and profile.
    QString lockFilePath() const;
    QString commandSocket() const { return commandSocketOf(profile); }
    static QString commandSocketOf(const QString& profile);
    // What every line of a profile's log starts with ("[NAME] "); empty for the
    // default console.
    QString logPrefix() const;
};

} // namespace tolvane::console
