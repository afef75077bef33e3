#include "protocol/Wire.h"

namespace tolvane::protocol {

QByteArray makeFrame(quint16 command, int payloadSize)
{
    QByteArray frame(kHeaderSize + payloadSize, '\0');
    putU32(frame, 0, quint32(payloadSize));
    putU16(frame, 4, command);
    return frame;
}

QByteArray encodeFrame(quint16 command, QByteArrayView payload)
{
    QByteArray frame = makeFrame(command, int(payload.size()));
    if (!payload.isEmpty())
        memcpy(frame.data() + kHeaderSize, payload.data(), size_t(payload.size()));
    return frame;
}

void putU16(QByteArray& buf, int offset, quint16 v)
{
    Q_ASSERT(offset >= 0 && offset + 2 <= buf.size());
    buf[offset] = char(v & 0xff);
    buf[offset + 1] = char((v >> 8) & 0xff);
}

void putU32(QByteArray& buf, int offset, quint32 v)
{
    Q_ASSERT(offset >= 0 && offset + 4 <= buf.size());
    for (int i = 0; i < 4; ++i)
        buf[offset + i] = char((v >> (8 * i)) & 0xff);
}

static quint8 byteAt(QByteArrayView buf, qsizetype i)
{
    return (i >= 0 && i < buf.size()) ? quint8(buf[i]) : quint8(0);
}

quint16 getU16(QByteArrayView buf, int offset)
{
    return quint16(byteAt(buf, offset) | (byteAt(buf, offset + 1) << 8));
}

quint32 getU32(QByteArrayView buf, int offset)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | byteAt(buf, qsizetype(offset) + i);
    return v;
}

qint32 getI32(QByteArrayView buf, int offset)
{
    return qint32(getU32(buf, offset));
}

QByteArray utf16le(const QString& text)
{
    QByteArray out(text.size() * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        out[2 * i] = char(u & 0xff);
        out[2 * i + 1] = char(u >> 8);
    }
    return out;
}

void putFixedText(QByteArray& buf, int offset, int fieldBytes, const QString& text)
{
    Q_ASSERT(offset >= 0 && offset + fieldBytes <= buf.size());
    // Written in place: a list reply puts a million IDs one after the other.
    const qsizetype units = qMin<qsizetype>(text.size(), fieldBytes / 2 - 1);
    char* out = buf.data() + offset;
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t u = text.at(i).unicode();
        *out++ = char(u & 0xff);
        *out++ = char(u >> 8);
    }
    // The rest of the field, terminator included, is zero.
    memset(out, 0, size_t(fieldBytes - 2 * units));
}

QString getFixedText(QByteArrayView buf, int offset, int fieldBytes)
{
    QString out;
    if (offset < 0)
        return out;
    const qsizetype end = qMin<qsizetype>(qsizetype(offset) + fieldBytes, buf.size());
    for (qsizetype i = offset; i + 1 < end; i += 2) {
        const char16_t u = char16_t(quint8(buf[i]) | (quint8(buf[i + 1]) << 8));
        if (u == 0)
            break;
        out.append(QChar(u));
    }
    return out;
}

} // namespace tolvane::protocol
