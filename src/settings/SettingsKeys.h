#pragma once

#include <QString>

// Sections, keys and defaults of Tolvane.ini.
namespace tolvane::settings::keys {

inline const QString kSettingsFileName = QStringLiteral("Tolvane.ini");

inline const QString kSectionVelmira = QStringLiteral("Velmira");
inline const QString kHostIP = QStringLiteral("HostIP");
inline const QString kAdminPW = QStringLiteral("AdminPW");
inline const QString kDefaultHostIP = QStringLiteral("127.0.0.1");
inline const QString kDefaultAdminPW = QStringLiteral("vexodrim");

inline const QString kSectionTimeSig = QStringLiteral("TimeSig");
inline const QString kHourlyOn = QStringLiteral("00");
inline const QString kHalfHourlyOn = QStringLiteral("30");
inline const QString kHourlyHead = QStringLiteral("00H");
inline const QString kHalfHourlyHead = QStringLiteral("30H");
inline const QString kHourlyTail = QStringLiteral("00F");
inline const QString kHalfHourlyTail = QStringLiteral("30F");
inline const QString kSwitchOn = QStringLiteral("ex");

inline const QString kSectionShortcuts = QStringLiteral("SCBn");
inline const QString kUnbound = QStringLiteral("none");
inline QString shortcutKey(int slot)
{
    return QStringLiteral("Btn") + QString::number(slot);
}

} // namespace tolvane::settings::keys
