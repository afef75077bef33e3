#include "protocol/BroadcastRequest.h"

namespace tolvane::protocol {

qsizetype unitsCarried(QStringView text, int capBytes)
{
    const qsizetype room = capBytes / 2;
    if (text.size() <= room)
        return text.size();
    // Cut between the halves of a pair: the pair goes, and the frame is two bytes short.
    if (room > 0 && text[room - 1].isHighSurrogate() && text[room].isLowSurrogate())
        return room - 1;
    return room;
}

QByteArray buildBroadcastRequest(const QString& text, int cap)
{
    const qsizetype units = unitsCarried(text, cap);
    const qsizetype n = units == text.size() ? qMin(units * 2 + 2, qsizetype(cap)) : units * 2;
    QByteArray frame = makeFrame(CmdBroadcast, int(n) + 2);
    putU16(frame, kHeaderSize, quint16(n));
    // The text with its terminating zero unit, cut to n bytes; the zero fill is the terminator.
    const QByteArray bytes = utf16le(text).left(n);
    memcpy(frame.data() + kHeaderSize + 2, bytes.constData(), size_t(bytes.size()));
    return frame;
}

std::optional<ParsedBroadcast> parseBroadcastRequest(QByteArrayView payload)
{
    if (payload.size() < 2)
        return std::nullopt;
    ParsedBroadcast out;
    out.declaredBytes = getU16(payload, 0);
    if (2 + out.declaredBytes > payload.size())
        return std::nullopt;
    out.text = getFixedText(payload, 2, out.declaredBytes);
    out.terminated = out.text.size() * 2 + 2 <= out.declaredBytes;
    return out;
}

} // namespace tolvane::protocol
