#pragma once

// Reading and writing whole files in tests.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>

namespace testsupport {

// The whole file, or "<missing>" when it cannot be read, so that a missing file never
// equals the bytes a test expects.
inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every name in the directory, hidden ones too, sorted.
inline QStringList allEntries(const QDir& dir)
{
    return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDir::Name);
}

} // namespace testsupport
