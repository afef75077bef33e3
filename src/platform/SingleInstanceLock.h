#pragma once

#include <QLockFile>
#include <QString>

namespace tolvane::platform {

// Keeps a second copy of the console from running. A lock file "<name>.lock" in
// `lockDirectory` (the system's temporary directory when empty) is held for the object's
// lifetime. A lock left behind by a process that was killed does not count: the owner's
// process id is checked. The same lock file serves on Windows, where it also detects a
// dead owner, so no named mutex is needed.
class SingleInstanceLock
{
public:
    explicit SingleInstanceLock(QString name = QStringLiteral("TolvaneDesk"),
                                QString lockDirectory = {});
    ~SingleInstanceLock();

    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when this object now holds the lock (also when it already did). Never waits.
    bool tryAcquire();
    bool isHeld() const;
    // True when the last tryAcquire() failed because a running process holds the lock;
    // false when it failed for another reason (say, an unwritable directory), in which
    // case the caller may prefer to run rather than refuse to start.
    bool heldElsewhere() const;
    QString lockFilePath() const { return m_lock.fileName(); }

private:
    QLockFile m_lock;
    bool m_heldElsewhere = false;
};

} // namespace tolvane::platform
