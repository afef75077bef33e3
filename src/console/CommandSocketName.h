#pragma once

#include <QString>

namespace tolvane::console {

// Where the console of this user takes commands: on POSIX its private folder
// (platform::userRuntimeDirectory(), mode 0700, which the console checks before it
// listens and a command checks before it connects); on Windows the first part of a
// pipe name, "tolvane-desk-<the user's SID>", which the console makes so that only
// the user may open it and nobody may make it first.
QString commandSocketPlace();

// The socket called `name` of the console whose place is `place`: "<place>/<name>"
// on POSIX, the pipe "<place>-<name>" on Windows.
QString commandSocketName(const QString& place, const QString& name = QStringLiteral("command"));

// The socket of this user's console.
QString commandSocketName();

} // namespace tolvane::console
