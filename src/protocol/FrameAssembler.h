#pragma once

#include "protocol/Wire.h"

#include <QQueue>

namespace tolvane::protocol {

// Turns the incoming byte stream into whole frames. The server may split a reply
// anywhere and put several replies into one read; completed frames wait in a
// queue until the dispatcher takes them, so none is ever overwritten.
class FrameAssembler
{
public:
    explicit FrameAssembler(PayloadLimits limits = {}) : m_limits(limits) {}

    // Consumes bytes; returns the number of frames completed by them. After an
    // error (a declared length above the command's limit) nothing more is accepted.
    int feed(QByteArrayView bytes);

    bool hasError() const { return m_error; }
    bool hasFrame() const { return !m_frames.isEmpty(); }
    qsizetype pendingFrames() const { return m_frames.size(); }
    Frame takeFrame();
    // Bytes of the frame under way (header included).
    qsizetype bufferedBytes() const { return m_headerFill + m_payload.size(); }
    // Memory held for the payload under way: it grows with the bytes that arrive,
    // never past twice what has arrived, whatever length the header declares.
    qsizetype reservedBytes() const { return m_payload.capacity(); }

private:
    void grow(qsizetype incoming);

    PayloadLimits m_limits;
    char m_header[kHeaderSize] = {};
    qsizetype m_headerFill = 0;
    quint16 m_command = 0;
    qsizetype m_expectedPayload = -1; // -1 while the header is not complete
    QByteArray m_payload;
    QQueue<Frame> m_frames;
    bool m_error = false;
};

} // namespace tolvane::protocol
