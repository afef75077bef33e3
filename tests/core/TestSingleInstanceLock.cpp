#include "platform/PrivateDirectory.h"
#include "platform/SingleInstanceLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using tolvane::platform::SingleInstanceLock;
using tolvane::platform::singleInstanceLockPath;

namespace {

const char* const kChildVariable = "TOLVANE_LOCK_CHILD";
const QString kLockName = u"TolvaneDesk"_s;

// Child mode: take the lock in the given directory, say whether it worked, and hold it
// until killed or until the parent goes away (its end of stdin closes).
int runLockChild(const QString& lockDirectory)
{
    SingleInstanceLock lock(singleInstanceLockPath(lockDirectory, kLockName));
    if (!lock.tryAcquire()) {
        std::fputs(lock.heldElsewhere() ? "busy\n" : "error\n", stdout);
        std::fflush(stdout);
        return 1;
    }
    std::fputs("held\n", stdout);
    std::fflush(stdout);
    while (std::fgetc(stdin) != EOF) {
    }
    return 0;
}

} // namespace

class TestSingleInstanceLock : public QObject
{
    Q_OBJECT

private:
    // Starts this executable in child mode and returns the first line it prints.
    static QByteArray startChild(QProcess& child, const QString& lockDirectory)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildVariable), lockDirectory);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        if (!child.waitForStarted(30000))
            return {};
        while (!child.canReadLine() && child.waitForReadyRead(30000)) {
        }
        return child.readLine().trimmed();
    }

private Q_SLOTS:
    void secondProcessFailsWhileHeldAndWinsAfterKill()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QProcess child;
        QCOMPARE(startChild(child, dir.path()), QByteArray("held"));

        SingleInstanceLock second(singleInstanceLockPath(dir.path(), kLockName));
        QVERIFY(!second.tryAcquire());
        QVERIFY(!second.isHeld());
        QVERIFY(second.heldElsewhere());

        // SIGKILL or TerminateProcess: the holder gets no chance to remove its lock file.
        child.kill();
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QVERIFY(QFile::exists(second.lockFilePath())); // left behind by the dead holder

        QVERIFY(second.tryAcquire());
        QVERIFY(second.isHeld());
        QVERIFY(!second.heldElsewhere());
    }

    void otherProcessFailsWhileThisOneHolds()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        auto lock =
            std::make_unique<SingleInstanceLock>(singleInstanceLockPath(dir.path(), kLockName));
        QVERIFY(lock->tryAcquire());
        QVERIFY(lock->isHeld());

        QProcess refused;
        QCOMPARE(startChild(refused, dir.path()), QByteArray("busy"));
        // Windows' QProcess may have seen the child end while reading its line, and
        // waitForFinished() is false for a process that has already finished.
        QVERIFY(refused.state() == QProcess::NotRunning || refused.waitForFinished(30000));
        QCOMPARE(refused.exitCode(), 1);

        // Releasing in the destructor lets the next start in.
        lock.reset();
        QProcess next;
        QCOMPARE(startChild(next, dir.path()), QByteArray("held"));
        next.closeWriteChannel();
        QVERIFY(next.waitForFinished(30000));
        QCOMPARE(next.exitCode(), 0);
        QVERIFY(!QFile::exists(dir.filePath(kLockName + u".lock"_s)));
    }

    void secondObjectInSameProcessFails()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        SingleInstanceLock second(singleInstanceLockPath(dir.path(), kLockName));
        {
            SingleInstanceLock first(singleInstanceLockPath(dir.path(), kLockName));
            QVERIFY(first.tryAcquire());
            QVERIFY(first.tryAcquire()); // asking again while holding it keeps it
            QVERIFY(!second.tryAcquire());
            QVERIFY(second.heldElsewhere());
        }
        QVERIFY(second.tryAcquire());
    }

    void namesDoNotCollide()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        SingleInstanceLock a(singleInstanceLockPath(dir.path(), u"A"_s));
        SingleInstanceLock b(singleInstanceLockPath(dir.path(), u"B"_s));
        QVERIFY(a.tryAcquire());
        QVERIFY(b.tryAcquire());
        QCOMPARE(QFileInfo(a.lockFilePath()).fileName(), u"A.lock"_s);
    }

    // Each user's console has a lock of its own, in the folder of its command socket.
    void defaultPlaceIsTheUsersOwn()
    {
        const SingleInstanceLock lock;
        QCOMPARE(QFileInfo(lock.lockFilePath()).fileName(), u"TolvaneDesk.lock"_s);
        QCOMPARE(QFileInfo(lock.lockFilePath()).absolutePath(),
                 QFileInfo(tolvane::platform::userRuntimeDirectory()).absoluteFilePath());
#ifndef Q_OS_WIN
        QTemporaryDir dir;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
        QCOMPARE(tolvane::platform::userRuntimeDirectory(), dir.filePath(u"tolvane-desk"_s));
        // Without one (cron, a service): a folder of the user's own, never the shared one.
        qputenv("XDG_RUNTIME_DIR", "");
        const QString fallback = tolvane::platform::userRuntimeDirectory();
        qunsetenv("XDG_RUNTIME_DIR");
        QVERIFY2(fallback.endsWith(QString::number(::getuid()) + u"/tolvane-desk"_s) ||
                     fallback.endsWith(u"/tolvane-desk-"_s + QString::number(::getuid())),
                 qPrintable(fallback));
#endif
    }

    // A lock that cannot be created at all is not another running copy.
    void missingParentIsNotAnotherInstance()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        SingleInstanceLock lock(singleInstanceLockPath(dir.filePath(u"missing/run"_s), kLockName));
        QVERIFY(!lock.tryAcquire());
        QVERIFY(!lock.isHeld());
        QVERIFY(!lock.heldElsewhere());
        QVERIFY(!lock.errorString().isEmpty());
    }

#ifndef Q_OS_WIN
    // Whoever controls the lock's folder could fake a holder or remove ours: the lock
    // is taken only in a folder of the user's own, never through a link.
    void folderNotPrivateIsRefused()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString elsewhere = dir.filePath(u"elsewhere"_s);
        QVERIFY(QDir().mkdir(elsewhere));
        QVERIFY(QFile::link(elsewhere, dir.filePath(u"linked"_s)));
        SingleInstanceLock linked(singleInstanceLockPath(dir.filePath(u"linked"_s), kLockName));
        QVERIFY(!linked.tryAcquire());
        QVERIFY(!linked.heldElsewhere());
        QVERIFY2(linked.errorString().endsWith(u"is a link"_s), qPrintable(linked.errorString()));
        QVERIFY(!QFile::exists(elsewhere + u"/TolvaneDesk.lock"_s));

        // One of our own that is open to others is closed first.
        QVERIFY(QFile::setPermissions(elsewhere, QFile::permissions(elsewhere) |
                                                     QFileDevice::WriteOther |
                                                     QFileDevice::ExeOther));
        SingleInstanceLock open(singleInstanceLockPath(elsewhere, kLockName));
        QVERIFY(open.tryAcquire());
        QVERIFY(open.narrowedFolder());
        QCOMPARE(QFile::permissions(elsewhere) & (QFileDevice::WriteOther | QFileDevice::ExeOther),
                 QFileDevice::Permissions());

        if (::geteuid() != 0)
            QSKIP("a folder of another user needs root to make (CI runs as root)");
        const QString foreign = dir.filePath(u"foreign"_s);
        QVERIFY(QDir().mkdir(foreign));
        QCOMPARE(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
        SingleInstanceLock theirs(singleInstanceLockPath(foreign, kLockName));
        QVERIFY(!theirs.tryAcquire());
        QVERIFY(!theirs.heldElsewhere());
        QVERIFY2(theirs.errorString().contains(u"belongs to another user"_s),
                 qPrintable(theirs.errorString()));
    }
#endif
};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(kChildVariable))
        return runLockChild(qEnvironmentVariable(kChildVariable));
    QCoreApplication app(argc, argv);
    TestSingleInstanceLock test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "TestSingleInstanceLock.moc"
