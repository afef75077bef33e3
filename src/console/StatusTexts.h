#pragma once

#include <QString>

// What the status box says when it does not show the player count. Short enough
// for the box.
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

} // namespace tolvane::console::status
