#pragma once

#include "protocol/Wire.h"

#include <array>
#include <optional>

namespace tolvane::net {

// The reply dispatcher: reads the login result and the player count into their
// fixed records and says what each reply was. It keeps no state of the session:
// whether the console is logged in is the link supervisor's state alone. Account
// replies are only recognised here; the account service reads them.
class SessionProtocol
{
public:
    enum class Outcome {
        Ignored,       // a command the console does not read
        LoginAccepted, // result 1
        LoginRefused,  // any other result
        PlayerCount,   // a valid count: playerCount() holds it
        PlayerCountInvalid,
        AccountListReply,
        AccountInfoReply,
    };

    Outcome dispatch(const protocol::Frame& frame);

    // The count of the last valid player-count reply; null before the first.
    std::optional<qint32> playerCount() const { return m_players; }
    qint32 lastLoginResult() const
    {
        return protocol::getI32(QByteArrayView(m_loginResult.data(), 4), 0);
    }

private:
    // Fixed reply records: a short payload leaves the rest as it was, a long one is
    // copied only as far as the record goes.
    std::array<char, 4> m_loginResult{};
    std::array<char, 8> m_playerCount{};
    std::optional<qint32> m_players;
};

} // namespace tolvane::net
