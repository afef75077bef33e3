#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>

// Whole files: every file the console reads is read at once, and every file it writes
// is replaced at once.
namespace tolvane::platform {

// Reads the whole file at `path`: Missing when there is no file of that name,
// Unreadable for a directory or a file that could not be opened or read to its end.
Result<QByteArray> readWholeFile(const QString& path);

enum class FileAccess {
    Default,   // as the system's defaults give, or as the old file had it
    OwnerOnly, // POSIX: readable and writable by its owner only (0600), also when the old
               // file allowed more
};

// Replaces the file at `path` with `bytes` atomically: until the new file is complete
// the old one stays whole, so a crash or a full disk leaves the old file or the new
// one, never a truncated one. WriteFailed, with the system's reason, when the new
// file could not be written.
Result<void> writeFileAtomically(const QString& path, const QByteArray& bytes,
                                 FileAccess access = FileAccess::Default);

// Narrows an existing file to its owner (POSIX) without rewriting it: Missing when
// there is no such file, WriteFailed when its mode could not be changed. Nothing to
// do on Windows.
Result<void> restrictToOwner(const QString& path);

} // namespace tolvane::platform
