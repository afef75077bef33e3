#include "FrameReader.h"

namespace testsupport {

namespace {
quint32 u8At(const QByteArray& bytes, qsizetype i)
{
    return quint8(bytes[i]);
}
} // namespace

void FrameReader::append(const QByteArray& bytes)
{
    m_bytes += bytes;
    m_reads.append(bytes);
    m_partial += bytes;
    qsizetype pos = 0;
    while (m_partial.size() - pos >= 6) {
        const quint32 length = u8At(m_partial, pos) | u8At(m_partial, pos + 1) << 8 |
                               u8At(m_partial, pos + 2) << 16 | u8At(m_partial, pos + 3) << 24;
        if (m_partial.size() - pos - 6 < qint64(length))
            break;
        m_frames.append(m_partial.mid(pos, 6 + qsizetype(length)));
        pos += 6 + qsizetype(length);
    }
    m_partial.remove(0, pos);
}

void FrameReader::clear()
{
    m_bytes.clear();
    m_reads.clear();
    m_frames.clear();
    m_partial.clear();
}

QList<QByteArray> FrameReader::framesWithCommand(quint16 command) const
{
    QList<QByteArray> out;
    for (const QByteArray& f : m_frames) {
        if (commandOf(f) == command)
            out.append(f);
    }
    return out;
}

int FrameReader::count(quint16 command) const
{
    int n = 0;
    for (const QByteArray& f : m_frames)
        n += commandOf(f) == command ? 1 : 0;
    return n;
}

QStringList FrameReader::broadcastTexts() const
{
    QStringList out;
    for (const QByteArray& f : framesWithCommand(12011))
        out.append(broadcastText(f));
    return out;
}

quint16 commandOf(const QByteArray& frame)
{
    return frame.size() < 6 ? 0 : quint16(u8At(frame, 4) | u8At(frame, 5) << 8);
}

QString broadcastText(const QByteArray& frame)
{
    // u16 byte count at 6, then the UTF-16LE units; never read past the frame.
    if (frame.size() < 8)
        return {};
    const qsizetype bytes = qMin<qsizetype>(u8At(frame, 6) | u8At(frame, 7) << 8, frame.size() - 8);
    QString text;
    for (qsizetype i = 0; i + 1 < bytes; i += 2)
        text.append(QChar(char16_t(u8At(frame, 8 + i) | u8At(frame, 9 + i) << 8)));
    if (text.endsWith(QChar(u'\0')))
        text.chop(1);
    return text;
}

QByteArray le32(quint32 value)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((value >> (8 * i)) & 0xff);
    return b;
}

QByteArray frameBytes(quint16 command, const QByteArray& payload)
{
    const char code[2] = {char(command & 0xff), char(command >> 8)};
    return le32(quint32(payload.size())) + QByteArray(code, 2) + payload;
}

} // namespace testsupport
