#pragma once

namespace tolvane::console {

// Which of the main window's controls are enabled; the value is the first
// parameter of WM_SET_CONTROL_STATE.
enum class ControlState : int {
    LoggedOut = 0,
    LoggedIn = 1,
    Broadcasting = 2,
    BroadcastOver = 3,
};

} // namespace tolvane::console
