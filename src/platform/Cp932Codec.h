#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Windows code page 932 (Japanese Shift_JIS as Windows maps it: 0x8160 is U+FF5E).
// glibc iconv's "CP932" on POSIX, the Win32 conversion calls on Windows.
namespace tolvane::platform {

// Encodes a text; nullopt when some character cannot be represented, with every
// such character in `unrepresentable`, each once, in the order they first appear (a
// whole surrogate pair counts as one character).
// Nothing is ever replaced by "?", and a character that would read back as another
// one (a "best fit" such as U+301C to 0x8160) counts as unrepresentable.
std::optional<QByteArray> encodeCp932(const QString& text, QString* unrepresentable = nullptr);

// Decodes bytes; a byte sequence that is not valid code page 932 becomes U+FFFD.
// Never reads past the view: a lead byte at its end is replaced on its own.
QString decodeCp932(QByteArrayView bytes);

} // namespace tolvane::platform
