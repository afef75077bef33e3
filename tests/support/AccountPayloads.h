#pragma once

// Account list reply payloads put together byte by byte in tests, independently
// of the builders under test.

#include <QByteArray>
#include <QStringList>

namespace testsupport {

// u32, i32 count, then one 50-byte zero-filled UTF-16LE record per ID (at most
// 24 units each).
inline QByteArray listPayload(const QStringList& ids)
{
    QByteArray p(8 + 50 * ids.size(), '\0');
    const qsizetype n = ids.size();
    for (int k = 0; k < 4; ++k)
        p[4 + k] = char((n >> (8 * k)) & 0xff);
    for (qsizetype i = 0; i < n; ++i) {
        const QString& id = ids[i];
        for (qsizetype u = 0; u < qMin<qsizetype>(id.size(), 24); ++u) {
            p[8 + 50 * i + 2 * u] = char(id[u].unicode() & 0xff);
            p[8 + 50 * i + 2 * u + 1] = char(id[u].unicode() >> 8);
        }
    }
    return p;
}

} // namespace testsupport
