#pragma once

#include "protocol/Wire.h"

#include <optional>

namespace tolvane::protocol {

// Byte caps of the text field: list lines and time signals, and live messages.
constexpr int kLineCap = 72;
constexpr int kLiveCap = 36;

// Broadcast request 12011: u16 N, then N bytes of the UTF-16LE text. A text that fits
// goes whole with its zero unit (N = 2 * units + 2, or N = cap when only the zero unit
// does not fit); a longer one is cut to what textCarried() keeps, without terminator.
QByteArray buildBroadcastRequest(const QString& text, int cap);
// How many UTF-16 units of `text` a request capped at `capBytes` carries: all of them
// when they fit the cap, with or without the terminator, else the first capBytes / 2,
// less the high half of a surrogate pair the cap would split, so that the players never
// get half a character. The one rule for what a frame carries: the request, the
// operator's log, a command's reply and the cut shown while typing all use it.
qsizetype unitsCarried(QStringView text, int capBytes);
inline QString textCarried(const QString& text, int capBytes)
{
    return text.left(unitsCarried(text, capBytes));
}

struct ParsedBroadcast
{
    int declaredBytes = 0; // N as sent
    QString text;          // up to the terminator or N
    bool terminated = false;
};
// Reads a broadcast payload; nullopt when N does not fit the payload.
std::optional<ParsedBroadcast> parseBroadcastRequest(QByteArrayView payload);

} // namespace tolvane::protocol
