#include "net/PasswordDigest.h"

#include <QCryptographicHash>

namespace tolvane {

QByteArray PasswordDigest(const QString& text)
{
    QByteArray field = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex();
    field.append(2, '\0');
    return field;
}

} // namespace tolvane
