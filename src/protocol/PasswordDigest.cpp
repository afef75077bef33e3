#include "protocol/PasswordDigest.h"

#include <QCryptographicHash>

namespace tolvane::protocol {

QByteArray passwordDigest(const QString& text)
{
    QByteArray field = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex();
    field.append(2, '\0');
    return field;
}

} // namespace tolvane::protocol
