#pragma once

#include "platform/Result.h"
#include "settings/IniSettings.h"

#include <QObject>

namespace tolvane::console {

// The server's address and the administrator password (section Velmira of the
// settings file). The address counts from the next start of the console, the
// password from the next login; both are signalled when saved or changed by hand.
class ServerSettingsService : public QObject
{
    Q_OBJECT
public:
    explicit ServerSettingsService(settings::IniSettings settings, QObject* parent = nullptr);

    // Reads both (at start-up) and signals them; nothing is logged.
    void load();

    QString hostIP() const { return m_hostIP; }
    QString adminPassword() const { return m_adminPassword; }

    // Writes HostIP, then AdminPW.
    platform::Result<void> save(const QString& hostIP, const QString& adminPassword);

    // The file watcher's call after the settings file changed on disk: a value
    // changed by hand is logged (never the password itself) and signalled.
    void reload();

Q_SIGNALS:
    void hostIPChanged(const QString& hostIP);
    void adminPasswordChanged(const QString& password);
    // A line for the operator's log.
    void logged(const QString& text);

private:
    // Reads both back; `outside` when the file was changed by hand.
    void reread(bool outside);

    settings::IniSettings m_settings;
    QString m_hostIP;
    QString m_adminPassword;
};

} // namespace tolvane::console
