#include "platform/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace tolvane::platform {

namespace {
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

FileError missing(const QString& path)
{
    return {FileError::Kind::Missing, {}, {}, u"no file "_s + path};
}
} // namespace

Result<QByteArray> readWholeFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return missing(path);
    if (info.isDir())
        return FileError{FileError::Kind::Unreadable, {}, {}, path + u" is a directory"_s};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileError{FileError::Kind::Unreadable, {}, {}, file.errorString()};
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return FileError{FileError::Kind::Unreadable, {}, {}, file.errorString()};
    return bytes;
}

Result<void> writeFileAtomically(const QString& path, const QByteArray& bytes, FileAccess access)
{
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
#ifndef Q_OS_WIN
    // Narrowed before the first byte goes in; the rename keeps the mode.
    if (ok && access == FileAccess::OwnerOnly)
        ok = file.setPermissions(kOwnerOnly);
#else
    Q_UNUSED(access);
#endif
    // The explicit flush matters: commit() does not notice a write error that only
    // shows while it flushes its buffer, and would put a cut-off file in place.
    ok = ok && file.write(bytes) == bytes.size() && file.flush() && file.commit();
    if (ok)
        return {};
    FileError error{FileError::Kind::WriteFailed, {}, {}, file.errorString()};
    file.cancelWriting();
    return error;
}

Result<void> restrictToOwner(const QString& path)
{
#ifdef Q_OS_WIN
    if (!QFileInfo::exists(path))
        return missing(path);
    return {};
#else
    QFile file(path);
    if (!file.exists())
        return missing(path);
    constexpr QFileDevice::Permissions kWider = QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                                QFileDevice::ReadOther | QFileDevice::WriteOther |
                                                QFileDevice::ExeOther;
    if (!(file.permissions() & kWider) || file.setPermissions(kOwnerOnly))
        return {};
    return FileError{FileError::Kind::WriteFailed, {}, {}, file.errorString()};
#endif
}

} // namespace tolvane::platform
