#pragma once

#include <QString>

class QFileInfo;

// "Hidden" files: on Windows the hidden and system attributes; on POSIX, names that
// start with a dot, and the time-signal file, which the console keeps hidden.
namespace tolvane::platform {

// Adds the hidden attribute to whatever attributes the file has (Windows); on POSIX
// the console's own hidden file is recognised by name, so this only checks it exists.
bool setHidden(const QString& path);
bool isHidden(const QFileInfo& info);

} // namespace tolvane::platform
