#pragma once

#include <QtGlobal>

namespace tolvane::protocol {

// The game server's admin port: where the console connects and the simulator listens
// by default. Scripts read the number from this line.
inline constexpr quint16 kServerPort = 10010;

} // namespace tolvane::protocol
