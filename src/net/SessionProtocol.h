#pragma once

#include "protocol/Wire.h"

#include <array>
#include <optional>

namespace tolvane::net {

// The session's state and the reply dispatcher: the login result, the player
// count and the status text. Account replies are only recognised here; the
// caller stores their payload where the account dialog reads it.
class SessionProtocol
{
public:
    enum class Outcome {
        Ignored,          // a command the console does not read
        LoginAccepted,    // result 1: control state 1, then a player-count request
        LoginRefused,     // any other result: nothing changes
        PlayerCountShown, // statusText() holds the new text
        PlayerCountInvalid,
        AccountListReply, // the frame's payload is the new stored list reply
        AccountInfoReply, // the frame's payload is the new stored detail reply
    };

    static QString notLoggedInText();
    static QString playerCountText(qint32 players);

    Outcome Dispatch(const protocol::Frame& frame);

    bool loginAccepted() const { return m_loginAccepted; }
    // The link broke: a new connection must log in again.
    void resetLogin() { m_loginAccepted = false; }
    QString statusText() const { return m_statusText; }
    // The count of the last valid player-count reply; null before the first.
    std::optional<qint32> playerCount() const { return m_players; }
    qint32 lastLoginResult() const
    {
        return protocol::getI32(QByteArrayView(m_loginResult.data(), 4), 0);
    }

private:
    bool m_loginAccepted = false;
    QString m_statusText = notLoggedInText();
    // Fixed reply records: a short payload leaves the rest as it was, a long one is
    // copied only as far as the record goes.
    std::array<char, 4> m_loginResult{};
    std::array<char, 8> m_playerCount{};
    std::optional<qint32> m_players;
};

} // namespace tolvane::net
