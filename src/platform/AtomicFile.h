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

// Replaces the file at `path` with `bytes` atomically: until the new file is complete
// the old one stays whole, so a crash or a full disk leaves the old file or the new
// one, never a truncated one. Returns false, with the reason in `error` when given,
// when the new file could not be written.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace tolvane::platform
