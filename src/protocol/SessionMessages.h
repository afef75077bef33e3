#pragma once

#include "protocol/Wire.h"

#include <optional>

// Login and player-count messages, both directions (the simulator uses the
// readers of the requests and the builders of the replies).
namespace tolvane::protocol {

// Login request 10001: u16 text length (bytes, terminator included), UTF-16LE text,
// a zero unit, one flag byte 0. The whole password is sent, however long.
QByteArray buildLoginRequest(const QString& password);
std::optional<QString> parseLoginRequest(QByteArrayView payload);

QByteArray buildPlayerCountRequest();

// Replies as the server sends them.
QByteArray buildLoginResult(qint32 result);
QByteArray buildPlayerCountReply(qint32 result, qint32 players);

constexpr int kLoginResultRecordSize = 4;
constexpr int kPlayerCountRecordSize = 8;

} // namespace tolvane::protocol
