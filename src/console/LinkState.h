#pragma once

namespace tolvane::console {

// Where the console stands with the server.
enum class LinkState {
    Connecting, // an attempt is under way
    Connected,  // connected, not logged in
    LoggedIn,
    Lost, // no connection: never made, or broken; the console tries again by itself
};

} // namespace tolvane::console
