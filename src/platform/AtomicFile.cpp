#include "platform/AtomicFile.h"

#include <QSaveFile>

namespace tolvane::platform {

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    // The explicit flush matters: commit() does not notice a write error that only
    // shows while it flushes its buffer, and would put a cut-off file in place.
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
                    file.flush() && file.commit();
    if (!ok) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
    }
    return ok;
}

} // namespace tolvane::platform
