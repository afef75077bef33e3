#include "platform/SingleInstanceLock.h"

#include <QDir>

namespace tolvane::platform {

namespace {
QString lockPath(const QString& name, const QString& directory)
{
    const QString dir = directory.isEmpty() ? QDir::tempPath() : directory;
    return QDir(dir).absoluteFilePath(name + QLatin1String(".lock"));
}
} // namespace

SingleInstanceLock::SingleInstanceLock(QString name, QString lockDirectory)
    : m_lock(lockPath(name, lockDirectory))
{
    // The lock is held for the whole run, so its age says nothing; only a dead owner
    // makes it stale.
    m_lock.setStaleLockTime(0);
}

SingleInstanceLock::~SingleInstanceLock()
{
    m_lock.unlock();
}

bool SingleInstanceLock::tryAcquire()
{
    if (m_lock.isLocked())
        return true;
    const bool acquired = m_lock.tryLock(0);
    m_heldElsewhere = !acquired && m_lock.error() == QLockFile::LockFailedError;
    return acquired;
}

bool SingleInstanceLock::isHeld() const
{
    return m_lock.isLocked();
}

bool SingleInstanceLock::heldElsewhere() const
{
    return m_heldElsewhere;
}

} // namespace tolvane::platform
