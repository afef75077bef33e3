#pragma once

#include <QByteArray>
#include <QString>

namespace tolvane::protocol {

constexpr int kPasswordDigestSize = 34;

// The MD5 of the text's UTF-8 form as 32 lowercase ASCII hex digits, then two
// zero bytes: always exactly 34 bytes.
QByteArray passwordDigest(const QString& text);

} // namespace tolvane::protocol
