#pragma once

#include <QByteArray>
#include <QString>

// Whole files: every file the console reads is read at once, and every file it writes
// is replaced at once.
namespace tolvane::platform {

struct FileReadResult
{
    enum Status {
        Ok,
        Missing,    // no file of that name
        Unreadable, // a directory, or a file that could not be opened or read to its end
    };
    Status status = Unreadable;
    QByteArray bytes; // the whole file when ok()
    bool ok() const { return status == Ok; }
};

// Reads the whole file at `path`.
FileReadResult readWholeFile(const QString& path);

enum class FileAccess {
    Default,   // as the system's defaults give, or as the old file had it
    OwnerOnly, // POSIX: readable and writable by its owner only (0600), also when the old
               // file allowed more
};

// Replaces the file at `path` with `bytes` atomically: until the new file is complete
// the old one stays whole, so a crash or a full disk leaves the old file or the new
// one, never a truncated one. Returns false, with the reason in `error` when given,
// when the new file could not be written.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                         FileAccess access = FileAccess::Default);

// Narrows an existing file to its owner (POSIX) without rewriting it; false when the
// file is missing or its mode could not be changed. Nothing to do on Windows.
bool restrictToOwner(const QString& path);

} // namespace tolvane::platform
