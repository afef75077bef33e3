#include "protocol/FrameAssembler.h"

#include <cstring>

namespace tolvane::protocol {

int FrameAssembler::feed(QByteArrayView bytes)
{
    int completed = 0;
    while (!m_error && !bytes.isEmpty()) {
        if (m_expectedPayload < 0) {
            const qsizetype take = qMin<qsizetype>(kHeaderSize - m_headerFill, bytes.size());
            std::memcpy(m_header + m_headerFill, bytes.data(), size_t(take));
            m_headerFill += take;
            bytes = bytes.sliced(take);
            if (m_headerFill < kHeaderSize)
                break;
            const QByteArrayView header(m_header, kHeaderSize);
            const quint32 length = getU32(header, 0);
            m_command = getU16(header, 4);
            if (length > m_limits.forCommand(m_command)) {
                // Refused before anything is allocated for it.
                m_error = true;
                m_headerFill = 0;
                break;
            }
            m_expectedPayload = qsizetype(length);
        }
        const qsizetype take = qMin<qsizetype>(m_expectedPayload - m_payload.size(), bytes.size());
        grow(take);
        m_payload.append(bytes.first(take));
        bytes = bytes.sliced(take);
        if (m_payload.size() == m_expectedPayload) {
            // The payload moves on whole: a long list reply is never copied here.
            m_frames.enqueue(Frame{m_command, std::exchange(m_payload, QByteArray())});
            m_headerFill = 0;
            m_expectedPayload = -1;
            ++completed;
        }
    }
    return completed;
}

void FrameAssembler::grow(qsizetype incoming)
{
    // A declared length is only a claim: memory follows the bytes that came, at
    // most doubling, and never goes past the declared length, so the finished
    // payload holds no slack.
    const qsizetype needed = m_payload.size() + incoming;
    if (needed > m_payload.capacity())
        m_payload.reserve(qMin(m_expectedPayload, qMax(needed, 2 * m_payload.capacity())));
}

Frame FrameAssembler::takeFrame()
{
    return m_frames.isEmpty() ? Frame{} : m_frames.dequeue();
}

} // namespace tolvane::protocol
