#pragma once

#include <QString>

namespace tolvane::ui {

// What of a text a broadcast request capped at `capBytes` carries: the request
// holds at most capBytes / 2 UTF-16 units, and the rest never reaches the players.
struct BroadcastCut
{
    qsizetype sentUnits = 0; // the units that go out

    qsizetype sentChars = 0; // characters, a surrogate pair counting as one
    qsizetype cutChars = 0;

    bool isCut() const { return cutChars > 0; }
};

BroadcastCut broadcastCut(const QString& text, int capBytes);

// The operator's notice of a cut: how many characters go out, how many are cut.
QString cutNotice(const BroadcastCut& cut);

} // namespace tolvane::ui
