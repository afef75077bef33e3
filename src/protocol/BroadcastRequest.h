#pragma once

#include "protocol/Wire.h"

#include <optional>

namespace tolvane::protocol {

// Byte caps of the text field: list lines and time signals, and live messages.
constexpr int kLineCap = 72;
constexpr int kLiveCap = 36;

// Broadcast request 12011: u16 N, then N bytes of the UTF-16LE text with its zero
// unit. N = 2 * units + 2, cut to `cap` when larger (then without terminator).
QByteArray buildBroadcastRequest(const QString& text, int cap);
// How many of a text's `units` UTF-16 units such a request carries: all of them when
// they fit the cap, with or without the terminator, else the first cap / 2.
constexpr qsizetype unitsCarried(qsizetype units, int cap)
{
    return qMin(units, qsizetype(cap / 2));
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
