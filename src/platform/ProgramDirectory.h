#pragma once

#include <QString>

namespace tolvane::platform {

// The folder beside the program that holds the message lists and the schedule file.
inline const QString kDataDirectoryName = QStringLiteral("TolvaneData");

// The directory that holds the running program's executable.
QString programDirectory();

// The user's own folder for the console's files when the program's folder cannot take
// them: "~/.local/share/TolvaneDesk" on Linux, "%LOCALAPPDATA%\TolvaneDesk" on Windows.
QString userDataDirectory();

// Whether files can be made in `path` (tried, not guessed from attributes: a folder
// under Program Files says it is writable and is not).
bool isWritableDirectory(const QString& path);

// Where the data directory lives: beside the program, where the unpacked zip or a
// build keeps it. A program installed where the user cannot write (a system prefix,
// Program Files) cannot create it there; then the user's own data folder holds it
// instead (unless one was already made beside the program).
QString dataParentDirectory();

// The rule behind dataParentDirectory(), without the file system.
QString chooseDataParent(const QString& programDir, bool programDirWritable, bool dataDirExists,
                         const QString& userDataDir);

} // namespace tolvane::platform
