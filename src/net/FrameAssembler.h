#pragma once

#include "net/Wire.h"

#include <QQueue>

namespace tolvane {

// Turns the incoming byte stream into whole frames. The server may split a reply
// anywhere and put several replies into one read; completed frames wait in a
// queue until the dispatcher takes them, so none is ever overwritten.
class FrameAssembler
{
public:
    explicit FrameAssembler(quint32 maxPayload = wire::kMaxPayload) : m_maxPayload(maxPayload) {}

    // Consumes bytes; returns the number of frames completed by them. After an
    // error (a declared length above the limit) nothing more is accepted.
    int feed(QByteArrayView bytes);

    bool hasError() const { return m_error; }
    bool hasFrame() const { return !m_frames.isEmpty(); }
    qsizetype pendingFrames() const { return m_frames.size(); }
    wire::Frame takeFrame();
    // Bytes of the frame under way (header included).
    qsizetype bufferedBytes() const { return m_buffer.size(); }

private:
    quint32 m_maxPayload;
    QByteArray m_buffer;
    qsizetype m_expectedTotal = -1; // -1 while the header is not complete
    QQueue<wire::Frame> m_frames;
    bool m_error = false;
};

} // namespace tolvane
