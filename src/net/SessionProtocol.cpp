#include "net/SessionProtocol.h"

namespace tolvane::net {

template <size_t N> static void copyInto(std::array<char, N>& record, const QByteArray& payload)
{
    const size_t n = qMin(N, size_t(payload.size()));
    if (n > 0)
        memcpy(record.data(), payload.constData(), n);
}

SessionProtocol::Outcome SessionProtocol::dispatch(const protocol::Frame& frame)
{
    switch (frame.command) {
    case protocol::CmdLoginResult:
        copyInto(m_loginResult, frame.payload);
        return lastLoginResult() == 1 ? Outcome::LoginAccepted : Outcome::LoginRefused;
    case protocol::CmdPlayerCountReply: {
        copyInto(m_playerCount, frame.payload);
        const QByteArrayView record(m_playerCount.data(), 8);
        if (protocol::getI32(record, 0) != 1)
            return Outcome::PlayerCountInvalid;
        m_players = protocol::getI32(record, 4);
        return Outcome::PlayerCount;
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
