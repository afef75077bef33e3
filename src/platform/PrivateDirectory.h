#pragma once

#include <QString>

namespace tolvane::platform {

// The folder where one user's console keeps what is its alone: the single-instance
// lock and, on POSIX, the command socket. POSIX: "$XDG_RUNTIME_DIR/tolvane-desk",
// else "/run/user/<uid>/tolvane-desk", else "<temp>/tolvane-desk-<uid>", so cron, a
// service and the desktop of one user find the same one and two users never share
// one. Windows: "TolvaneDesk" in the user's local application data folder
// (%LOCALAPPDATA%), which other users cannot enter and which is the same in every
// session of the user.
QString userRuntimeDirectory();

// Whether a folder may hold what only its user should reach.
enum class DirectoryTrust {
    Private,       // this user's directory, closed to everyone else
    Missing,       // nothing there
    NotADirectory, // a link (even to a directory of ours) or another kind of file
    ForeignOwner,  // another user's directory
    OpenToOthers,  // ours, but others may enter or write it
};

struct DirectoryCheck
{
    DirectoryTrust trust = DirectoryTrust::Missing;
    QString problem; // one English line when not Private: what is wrong and where
};

// Looks at `path` itself, never through a link. On Windows, where the folder lies in
// the user's profile, a directory that exists counts as private.
DirectoryCheck inspectPrivateDirectory(const QString& path);

// The folder for the console that is about to use it: made (mode 0700) when missing,
// narrowed to 0700 when it is ours and open to others (`narrowed` says so), left
// alone and refused otherwise. Its parent must exist.
DirectoryCheck preparePrivateDirectory(const QString& path, bool* narrowed = nullptr);

} // namespace tolvane::platform
