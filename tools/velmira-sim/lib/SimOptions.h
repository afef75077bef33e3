#pragma once

#include "protocol/ServerPort.h"
#include "protocol/Wire.h"

#include <QHostAddress>
#include <QString>

namespace tolvane::sim {

struct SimOptions
{
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = protocol::kServerPort;
    QString adminPassword = QStringLiteral("vexodrim");
    qint32 playerCount = 12;
    // Empty: accounts live in memory only.
    QString accountsFile;
    // 0 writes each reply whole; N > 0 writes it in pieces of N bytes, one piece
    // per write and flush, `chunkIntervalMs` apart, so the client really reads
    // split frames.
    int chunkBytes = 0;
    int chunkIntervalMs = 2;
    // Hold replies and write several in one write: when `coalesceCount` are held
    // or `coalesceMs` after the first one was held.
    bool coalesce = false;
    int coalesceMs = 20;
    int coalesceCount = 3;
    // 0 never; N closes the connection once N request frames have been handled.
    int closeAfterFrames = 0;
    // 0 never; N answers the first N request frames of a connection and then
    // falls silent: later requests are read and logged, never answered, and the
    // connection stays open.
    int muteAfterFrames = 0;
    bool quiet = false;
    bool acceptLogin = true;
};

} // namespace tolvane::sim
