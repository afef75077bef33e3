#pragma once

#include <QString>

// What the status box says, each text defined once. Short enough for the box.
namespace tolvane::console::status {

inline const QString kConnecting = QStringLiteral("鯖に接続中・・");
inline const QString kNotLoggedIn = QStringLiteral("ログインしていません・・");
inline const QString kLoginRefused = QStringLiteral("ログインを拒否されました");
inline const QString kLost = QStringLiteral("切断・再接続中・・");
inline const QString kCannotConnect = QStringLiteral("鯖に接続できません・・");
inline const QString kLiveNotSent = QStringLiteral("生声を送れませんでした");
inline const QString kSignalMissed = QStringLiteral("時報を送れませんでした");
inline const QString kListMissed = QStringLiteral("予約放送を送れませんでした");
inline const QString kLogFailed = QStringLiteral("ログを書けません・・");

// What it shows while logged in: the last valid player count, signed.
inline QString playerCount(qint32 players)
{
    // The count is inserted as a number; nothing from the wire is used as a format.
    return QStringLiteral("現在のプレイヤー数：") + QString::number(players) + QStringLiteral("人");
}

} // namespace tolvane::console::status
