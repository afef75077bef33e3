#include "platform/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tolvane::platform {

namespace {
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
}

FileReadResult readWholeFile(const QString& path)
{
    FileReadResult result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.status = FileReadResult::Missing;
        return result;
    }
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return result;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return result;
    result.status = FileReadResult::Ok;
    result.bytes = std::move(bytes);
    return result;
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error,
                         FileAccess access)
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
    if (!ok) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
    }
    return ok;
}

bool restrictToOwner(const QString& path)
{
#ifdef Q_OS_WIN
    return QFileInfo::exists(path);
#else
    QFile file(path);
    if (!file.exists())
        return false;
    constexpr QFileDevice::Permissions kWider = QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                                QFileDevice::ReadOther | QFileDevice::WriteOther |
                                                QFileDevice::ExeOther;
    return !(file.permissions() & kWider) || file.setPermissions(kOwnerOnly);
#endif
}

} // namespace tolvane::platform
