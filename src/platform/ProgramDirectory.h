#pragma once

#include <QString>

namespace tolvane::platform {

// The folder beside the program that holds the message lists and the schedule file.
inline const QString kDataDirectoryName = QStringLiteral("TolvaneData");

// The directory that holds the running program's executable.
QString programDirectory();

// Where the data directory lives: beside the program, as on Windows. A program
// installed into a system prefix on POSIX cannot create it there; then the
// user's own application-data directory holds it instead (unless one was already
// made beside the program).
QString dataParentDirectory();

// The rule behind dataParentDirectory(), without the file system.
QString chooseDataParent(const QString& programDir, bool programDirWritable, bool dataDirExists,
                         const QString& userDataDir);

} // namespace tolvane::platform
