#include "net/SessionProtocol.h"

namespace tolvane::net {

QString SessionProtocol::notLoggedInText()
{
    return QStringLiteral("ログインしていません・・");
}

QString SessionProtocol::playerCountText(qint32 players)
{
    // The count is inserted as a number; nothing from the wire is used as a format.
    return QStringLiteral("現在のプレイヤー数：") + QString::number(players) + QStringLiteral("人");
}

template <size_t N> static void copyInto(std::array<char, N>& record, const QByteArray& payload)
{
    const size_t n = qMin(N, size_t(payload.size()));
    if (n > 0)
        memcpy(record.data(), payload.constData(), n);
}

SessionProtocol::Outcome SessionProtocol::Dispatch(const protocol::Frame& frame)
{
    switch (frame.command) {
    case protocol::CmdLoginResult:
        copyInto(m_loginResult, frame.payload);
        if (protocol::getI32(QByteArrayView(m_loginResult.data(), 4), 0) != 1)
            return Outcome::LoginRefused;
        m_loginAccepted = true;
        return Outcome::LoginAccepted;
    case protocol::CmdPlayerCountReply: {
        copyInto(m_playerCount, frame.payload);
        const QByteArrayView record(m_playerCount.data(), 8);
        if (protocol::getI32(record, 0) != 1)
            return Outcome::PlayerCountInvalid;
        m_players = protocol::getI32(record, 4);
        m_statusText = playerCountText(*m_players);
        return Outcome::PlayerCountShown;
    }
    case protocol::CmdAccountListReply:
        return Outcome::AccountListReply;
    case protocol::CmdAccountInfoReply:
        return Outcome::AccountInfoReply;
    default:
        return Outcome::Ignored;
    }
}

} // namespace tolvane::net
