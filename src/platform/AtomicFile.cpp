#include "platform/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tolvane::platform {

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

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
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

} // namespace tolvane::platform
