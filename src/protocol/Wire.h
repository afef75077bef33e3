#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

// The one definition of the frame that every request and reply uses:
// u32 payload length, u16 command code, payload. All integers little-endian.
namespace tolvane::protocol {

enum Command : quint16 {
    CmdLogin = 10001,
    CmdLoginResult = 10002,
    CmdAccountList = 10011,
    CmdAccountListReply = 10012,
    CmdAccountCreate = 10021,
    CmdAccountDelete = 10031,
    CmdAccountInfo = 10041,
    CmdAccountInfoReply = 10042,
    CmdAccountChange = 10051,
    CmdAccountChangeReply = 10052,
    CmdPlayerCount = 12001,
    CmdPlayerCountReply = 12002,
    CmdBroadcast = 12011,
};

constexpr int kHeaderSize = 6;
// The largest payload accepted in one frame, by command: 1 MiB for every frame but
// the account list reply, whose 50-byte records pass 1 MiB at 20,972 accounts and
// which may carry up to 64 MiB (about 1.3 million accounts). A larger declared
// length closes the connection before anything is allocated for it.
constexpr quint32 kMaxPayload = 1024 * 1024;
constexpr quint32 kMaxListPayload = 64 * 1024 * 1024;

struct PayloadLimits
{
    quint32 other = kMaxPayload;
    quint32 accountList = kMaxListPayload;

    constexpr quint32 forCommand(quint16 command) const
    {
        return command == CmdAccountListReply ? accountList : other;
    }
};

struct Frame
{
    quint16 command = 0;
    QByteArray payload;
};

// A zero-filled frame of the given payload size with its header written.
QByteArray makeFrame(quint16 command, int payloadSize);
QByteArray encodeFrame(quint16 command, QByteArrayView payload);

void putU16(QByteArray& buf, int offset, quint16 v);
void putU32(QByteArray& buf, int offset, quint32 v);
// Readers return 0 for any byte beyond the view instead of reading past it.
quint16 getU16(QByteArrayView buf, int offset);
quint32 getU32(QByteArrayView buf, int offset);
qint32 getI32(QByteArrayView buf, int offset);

// UTF-16LE bytes of a text, without terminator.
QByteArray utf16le(const QString& text);
// A zero-terminated UTF-16LE text in a fixed field of `fieldBytes` bytes starting at
// `offset` of `buf`. Text that does not fit is cut so that the terminator still fits.
void putFixedText(QByteArray& buf, int offset, int fieldBytes, const QString& text);
// Reads a UTF-16LE text from a fixed field: up to its terminator, or to the field's
// end when there is none, never past the bytes present in `buf`.
QString getFixedText(QByteArrayView buf, int offset, int fieldBytes);

} // namespace tolvane::protocol
