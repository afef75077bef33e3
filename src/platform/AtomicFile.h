#pragma once

#include <QByteArray>
#include <QString>

namespace tolvane::platform {

// Replaces the file at `path` with `bytes` atomically: until the new file is complete
// the old one stays whole, so a crash or a full disk leaves the old file or the new
// one, never a truncated one. Returns false, with the reason in `error` when given,
// when the new file could not be written.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace tolvane::platform
