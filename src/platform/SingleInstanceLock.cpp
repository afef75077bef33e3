#include "platform/SingleInstanceLock.h"

#include "platform/PrivateDirectory.h"

#include <QDir>
#include <QFileInfo>

namespace tolvane::platform {

using namespace Qt::StringLiterals;

QString singleInstanceLockPath(const QString& folder, const QString& name)
{
    return QDir(folder).absoluteFilePath(name + u".lock"_s);
}

SingleInstanceLock::SingleInstanceLock(const QString& lockFilePath) : m_lock(lockFilePath)
{
    // The lock is held for the whole run, so its age says nothing; only a dead owner
    // makes it stale.
    m_lock.setStaleLockTime(0);
}

SingleInstanceLock::~SingleInstanceLock()
{
    m_lock.unlock();
}

QString SingleInstanceLock::defaultLockFilePath()
{
    return singleInstanceLockPath(userRuntimeDirectory());
}

bool SingleInstanceLock::tryAcquire()
{
    if (m_lock.isLocked())
        return true;
    m_heldElsewhere = false;
    m_error.clear();
    const DirectoryCheck folder =
        preparePrivateDirectory(QFileInfo(m_lock.fileName()).absolutePath(), &m_narrowed);
    if (folder.trust != DirectoryTrust::Private) {
        m_error = folder.problem;
        return false;
    }
    if (m_lock.tryLock(0))
        return true;
    m_heldElsewhere = m_lock.error() == QLockFile::LockFailedError;
    m_error = m_heldElsewhere ? u"another console of this user is running"_s
                              : u"cannot write "_s + m_lock.fileName();
    return false;
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
