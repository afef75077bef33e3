#pragma once

#include <QObject>

namespace tolvane::console {

Q_NAMESPACE

// Where the console stands with the server. The link supervisor's table is the one
// place it changes.
enum class LinkState {
    Idle,        // before the start
    Starting,    // the run's first attempt is under way
    Unreachable, // no link made yet and the last attempt failed; tried again by itself
    Connecting,  // a later attempt, no link made yet this run
    Connected,   // connected, not logged in
    LoggingIn,   // a login went out and its answer has not come
    LoggedIn,
    Refused,      // connected; the password was refused and is not tried again by itself
    Lost,         // a link that was made broke; tried again by itself
    Reconnecting, // an attempt after a lost link
};
Q_ENUM_NS(LinkState)

// A link is made: requests go out and replies come in, logged in or not.
constexpr bool isLinkMade(LinkState state)
{
    return state == LinkState::Connected || state == LinkState::LoggingIn ||
           state == LinkState::LoggedIn || state == LinkState::Refused;
}

} // namespace tolvane::console
