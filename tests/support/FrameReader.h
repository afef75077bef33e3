#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace testsupport {

// The bytes one end of a connection reads, kept as they came and cut into whole
// frames: a little-endian u32 payload length, a u16 command, the payload. The
// layout is spelled out here, apart from the console's own frame code.
class FrameReader
{
public:
    void append(const QByteArray& bytes);
    // A new connection: a frame the old one left cut off is dropped.
    void restart() { m_partial.clear(); }
    void clear();

    const QByteArray& bytes() const { return m_bytes; } // everything, in order
    const QList<QByteArray>& reads() const { return m_reads; }
    const QList<QByteArray>& frames() const { return m_frames; }
    QList<QByteArray> framesWithCommand(quint16 command) const;
    int count(quint16 command) const;
    // The texts of the broadcast requests (12011) read so far.
    QStringList broadcastTexts() const;

private:
    QByteArray m_bytes;
    QList<QByteArray> m_reads;
    QList<QByteArray> m_frames;
    QByteArray m_partial;
};

quint16 commandOf(const QByteArray& frame);
// The text a broadcast request frame carries, without its terminator.
QString broadcastText(const QByteArray& frame);
// A frame put together from its command and payload.
QByteArray frameBytes(quint16 command, const QByteArray& payload = {});
QByteArray le32(quint32 value);

} // namespace testsupport
