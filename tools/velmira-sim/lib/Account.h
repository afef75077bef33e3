#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace tolvane::sim {

// One player account as the server keeps it. The password is known only by its
// digest text, exactly as the console sends it.
struct Account
{
    QString id;
    QByteArray digestText; // 32 lowercase hex digits
    QString characterName;
    quint8 loginPermission = 0; // 0 allowed, 1 denied (suspended)
    quint8 authority = 0;       // 0 None, 1 Navi, 2 GM
    quint8 loginState = 0;      // 0 not logged in, anything else logged in

    bool operator==(const Account&) const = default;
};

// True for 32 lowercase hexadecimal ASCII digits, the only digest form the
// server takes.
bool isDigestText(const QByteArray& text);

} // namespace tolvane::sim
