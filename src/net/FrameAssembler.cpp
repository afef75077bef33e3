#include "net/FrameAssembler.h"

namespace tolvane {

int FrameAssembler::feed(QByteArrayView bytes)
{
    int completed = 0;
    while (!m_error && !bytes.isEmpty()) {
        if (m_expectedTotal < 0) {
            const qsizetype take =
                qMin<qsizetype>(wire::kHeaderSize - m_buffer.size(), bytes.size());
            m_buffer.append(bytes.first(take));
            bytes = bytes.sliced(take);
            if (m_buffer.size() < wire::kHeaderSize)
                break;
            const quint32 length = wire::getU32(m_buffer, 0);
            if (length > m_maxPayload) {
                // Refused before anything is allocated for it.
                m_error = true;
                m_buffer.clear();
                break;
            }
            m_expectedTotal = qsizetype(length) + wire::kHeaderSize;
            m_buffer.reserve(m_expectedTotal);
        }
        const qsizetype take = qMin<qsizetype>(m_expectedTotal - m_buffer.size(), bytes.size());
        m_buffer.append(bytes.first(take));
        bytes = bytes.sliced(take);
        if (m_buffer.size() == m_expectedTotal) {
            wire::Frame frame;
            frame.command = wire::getU16(m_buffer, 4);
            frame.payload = m_buffer.sliced(wire::kHeaderSize);
            m_frames.enqueue(std::move(frame));
            m_buffer.clear();
            m_expectedTotal = -1;
            ++completed;
        }
    }
    return completed;
}

wire::Frame FrameAssembler::takeFrame()
{
    return m_frames.isEmpty() ? wire::Frame{} : m_frames.dequeue();
}

} // namespace tolvane
