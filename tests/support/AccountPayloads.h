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

struct Detail
{
    QString id = QStringLiteral("abc");
    QByteArray digest = "0123456789abcdef0123456789abcdef";
    QString name = QStringLiteral("勇者");
    quint8 permission = 0;
    quint8 authority = 0;
    quint8 state = 0;
};

// A 244-byte detail reply: ID at 4, digest at 58, name at 92, three bytes at 118.
inline QByteArray detailPayload(const Detail& d)
{
    QByteArray p(244, '\0');
    auto putText = [&](int offset, const QString& text) {
        for (qsizetype u = 0; u < text.size(); ++u) {
            p[offset + 2 * u] = char(text[u].unicode() & 0xff);
            p[offset + 2 * u + 1] = char(text[u].unicode() >> 8);
        }
    };
    putText(4, d.id);
    p.replace(58, d.digest.size(), d.digest);
    putText(92, d.name);
    p[118] = char(d.permission);
    p[119] = char(d.authority);
    p[120] = char(d.state);
    return p;
}

} // namespace testsupport
