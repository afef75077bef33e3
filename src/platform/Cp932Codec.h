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

// Linux input methods type look-alikes where code page 932 has characters of its own:
// WAVE DASH U+301C for FULLWIDTH TILDE U+FF5E "～", and likewise U+2212 for U+FF0D,
// U+2014 for U+2015, U+2016 for U+2225, U+00A2 for U+FFE0, U+00A3 for U+FFE1 and
// U+00AC for U+FFE2. Returns the text with these seven replaced by the code page's
// forms and every other character kept. Every writer of code page 932 text folds
// before encoding; reading never folds back.
QString foldForCp932(QString text);

// Decodes bytes; a byte sequence that is not valid code page 932 becomes U+FFFD.
// Never reads past the view: a lead byte at its end is replaced on its own.
QString decodeCp932(QByteArrayView bytes);

} // namespace tolvane::platform
