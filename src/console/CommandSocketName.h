#pragma once

#include <QString>

namespace tolvane::console {

// Where the running console takes commands for this user. On POSIX a socket in a
// directory only the user may enter: under $XDG_RUNTIME_DIR, else /run/user/<uid>,
// else "<temp>/tolvane-desk-<uid>" (cron and a service see the same one as the
// desktop). On Windows a named pipe whose name carries the user's name; the server
// limits it to the user.
QString commandSocketName();

// Makes the socket's directory (POSIX: mode 0700, owned by the user, not a link) for
// the server. False, with `error` set, when it cannot be made or is not private.
bool prepareCommandSocketDirectory(const QString& socketName, QString* error);

} // namespace tolvane::console
