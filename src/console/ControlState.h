#pragma once

namespace tolvane::console {

// Which of the main window's controls are enabled; the values index the window's
// table of control states.
enum class ControlState : int {
    LoggedOut = 0,
    LoggedIn = 1,
    Broadcasting = 2,
    BroadcastOver = 3,
    // The link is down: what sends is disabled as when logged out and the login
    // button tries again; "放送中止！" stays usable while a broadcast waits.
    LinkLost = 4,
    LinkLostPaused = 5,
};

} // namespace tolvane::console
