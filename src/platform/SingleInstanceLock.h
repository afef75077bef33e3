#pragma once

#include <QLockFile>
#include <QString>

namespace tolvane::platform {

// The lock file of the console called `name` whose private folder is `folder`
// (userRuntimeDirectory() for the console of this user).
QString singleInstanceLockPath(const QString& folder,
                               const QString& name = QStringLiteral("TolvaneDesk"));

// Keeps a second copy of one user's console from running, while another user's runs
// beside it. The lock file is held for the object's lifetime, in a folder only the
// user may enter: a folder that belongs to someone else, is a link or cannot be made
// private is not used, since whoever controls it could fake or hide a holder. A lock
// left behind by a process that was killed does not count: the owner's process id
// is checked. The same lock file serves on Windows, where it also detects a dead
// owner, so no named mutex is needed.
class SingleInstanceLock
{
public:
    explicit SingleInstanceLock(const QString& lockFilePath = defaultLockFilePath());
    ~SingleInstanceLock();

    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // The lock of this user's console.
    static QString defaultLockFilePath();

    // True when this object now holds the lock (also when it already did). Never waits.
    // Makes the lock's folder (mode 0700) when it is missing.
    bool tryAcquire();
    bool isHeld() const;
    // True when the last tryAcquire() failed because a running process holds the lock;
    // false when it failed for another reason (the folder is not private, or cannot be
    // written), which errorString() gives.
    bool heldElsewhere() const;
    // Why the last tryAcquire() failed, in English; empty after a success.
    QString errorString() const { return m_error; }
    // Set when tryAcquire() found the folder open to others and made it private.
    bool narrowedFolder() const { return m_narrowed; }
    QString lockFilePath() const { return m_lock.fileName(); }

private:
    QLockFile m_lock;
    bool m_heldElsewhere = false;
    bool m_narrowed = false;
    QString m_error;
};

} // namespace tolvane::platform
