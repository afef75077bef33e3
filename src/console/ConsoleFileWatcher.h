#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

namespace tolvane::console {

// Tells when the files the console keeps change on disk: the data directory (a list
// copied in or taken out), the schedule file in it, and the settings file. It says
// only that something may have changed; the services read the files and tell a
// change made by hand from their own saves.
//
// Editors and the console's own atomic saves replace a file rather than write into
// it, which ends the watch on the old one; the watch is renewed after every change,
// and the directories are watched too, so a file made or put in place anew is seen.
// Notifications that arrive in one turn of the event loop are told once, and a
// settings or schedule file found empty or missing is not told of at all.
class ConsoleFileWatcher : public QObject
{
    Q_OBJECT
public:
    ConsoleFileWatcher(const QString& dataDirectory, const QString& scheduleFile,
                       const QString& settingsFile, QObject* parent = nullptr);

    // The paths being watched now.
    QStringList watched() const { return m_watcher.files() + m_watcher.directories(); }

Q_SIGNALS:
    void listsChanged();
    void scheduleChanged();
    void settingsChanged();

private:
    void onChanged(const QString& path);
    void watch();
    void flush();
    static bool holdsSomething(const QString& path);

    QFileSystemWatcher m_watcher;
    QString m_dataDir;
    QString m_schedule;
    QString m_settings;
    QString m_settingsDir;
    bool m_listsDirty = false;
    bool m_scheduleDirty = false;
    bool m_settingsDirty = false;
    bool m_flushPosted = false;
};

} // namespace tolvane::console
