#include "protocol/SessionMessages.h"

namespace tolvane::protocol {

QByteArray buildLoginRequest(const QString& password)
{
    // The length field is 16 bits wide; no settings value comes near that.
    const QString text = password.left(0x7ffe);
    const int textBytes = int(text.size()) * 2 + 2;
    QByteArray frame = makeFrame(CmdLogin, textBytes + 3);
    putU16(frame, kHeaderSize, quint16(textBytes));
    const QByteArray bytes = utf16le(text);
    memcpy(frame.data() + kHeaderSize + 2, bytes.constData(), size_t(bytes.size()));
    // Terminator and flag byte are already zero.
    return frame;
}

std::optional<QString> parseLoginRequest(QByteArrayView payload)
{
    if (payload.size() < 2)
        return std::nullopt;
    const int textBytes = getU16(payload, 0);
    if (textBytes < 2 || textBytes % 2 != 0 || 2 + textBytes > payload.size())
        return std::nullopt;
    return getFixedText(payload, 2, textBytes);
}

QByteArray buildPlayerCountRequest()
{
    return makeFrame(CmdPlayerCount, 0);
}

QByteArray buildLoginResult(qint32 result)
{
    QByteArray frame = makeFrame(CmdLoginResult, kLoginResultRecordSize);
    putU32(frame, kHeaderSize, quint32(result));
    return frame;
}

QByteArray buildPlayerCountReply(qint32 result, qint32 players)
{
    QByteArray frame = makeFrame(CmdPlayerCountReply, kPlayerCountRecordSize);
    putU32(frame, kHeaderSize, quint32(result));
    putU32(frame, kHeaderSize + 4, quint32(players));
    return frame;
}

} // namespace tolvane::protocol
