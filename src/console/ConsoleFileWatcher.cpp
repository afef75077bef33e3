#include "console/ConsoleFileWatcher.h"

#include <QFileInfo>

#include <utility>

namespace tolvane::console {

namespace {
// None for no path: a console without a settings file watches none.
QString absolute(const QString& path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}
} // namespace

ConsoleFileWatcher::ConsoleFileWatcher(const QString& dataDirectory, const QString& scheduleFile,
                                       const QString& settingsFile, QObject* parent)
    : QObject(parent), m_dataDir(absolute(dataDirectory)), m_schedule(absolute(scheduleFile)),
      m_settings(absolute(settingsFile)),
      m_settingsDir(m_settings.isEmpty() ? QString() : QFileInfo(m_settings).absolutePath())
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &ConsoleFileWatcher::onChanged);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &ConsoleFileWatcher::onChanged);
    watch();
}

void ConsoleFileWatcher::onChanged(const QString& path)
{
    // A change of a directory may be a file of ours made, replaced or removed in it.
    // A file put in place by a rename is another file: its watch starts afresh, as a
    // watch on the one it replaced may outlive it while something holds it open.
    if (path == m_dataDir) {
        m_listsDirty = true;
        m_scheduleDirty = true;
        m_watcher.removePath(m_schedule);
    }
    if (!m_settingsDir.isEmpty() && path == m_settingsDir) {
        m_settingsDirty = true;
        m_watcher.removePath(m_settings);
    }
    if (path == m_schedule)
        m_scheduleDirty = true;
    if (!m_settings.isEmpty() && path == m_settings)
        m_settingsDirty = true;
    watch();
    if (m_flushPosted)
        return;
    m_flushPosted = true;
    QMetaObject::invokeMethod(this, &ConsoleFileWatcher::flush, Qt::QueuedConnection);
}

void ConsoleFileWatcher::watch()
{
    const QStringList current = watched();
    QStringList missing;
    for (const QString& path : {m_dataDir, m_schedule, m_settingsDir, m_settings}) {
        if (!path.isEmpty() && !current.contains(path) && !missing.contains(path) &&
            QFileInfo::exists(path))
            missing.append(path);
    }
    if (!missing.isEmpty())
        m_watcher.addPaths(missing);
}

void ConsoleFileWatcher::flush()
{
    m_flushPosted = false;
    // Reset before signalling: a handler may save a file, whose news comes later.
    const bool lists = std::exchange(m_listsDirty, false);
    const bool schedule = std::exchange(m_scheduleDirty, false);
    const bool settings = std::exchange(m_settingsDirty, false);
    if (lists)
        Q_EMIT listsChanged();
    if (schedule && holdsSomething(m_schedule))
        Q_EMIT scheduleChanged();
    if (settings && holdsSomething(m_settings))
        Q_EMIT settingsChanged();
}

bool ConsoleFileWatcher::holdsSomething(const QString& path)
{
    // A file found empty or missing is an editor between emptying or removing it and
    // writing it anew: read now, every setting would fall back to its default (the
    // password, every shortcut) and every entry would go, only to come back with the
    // editor's next write. Its news waits for that write.
    return QFileInfo(path).size() > 0;
}

} // namespace tolvane::console
