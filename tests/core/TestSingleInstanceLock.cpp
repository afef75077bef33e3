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

using namespace Qt::StringLiterals;
using tolvane::platform::SingleInstanceLock;

namespace {

const char* const kChildVariable = "TOLVANE_LOCK_CHILD";
const QString kLockName = u"TolvaneDesk"_s;

// Child mode: take the lock in the given directory, say whether it worked, and hold it
// until killed or until the parent goes away (its end of stdin closes).
int runLockChild(const QString& lockDirectory)
{
    SingleInstanceLock lock(kLockName, lockDirectory);
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

        SingleInstanceLock second(kLockName, dir.path());
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
        auto lock = std::make_unique<SingleInstanceLock>(kLockName, dir.path());
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
        SingleInstanceLock second(kLockName, dir.path());
        {
            SingleInstanceLock first(kLockName, dir.path());
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
        SingleInstanceLock a(u"A"_s, dir.path());
        SingleInstanceLock b(u"B"_s, dir.path());
        QVERIFY(a.tryAcquire());
        QVERIFY(b.tryAcquire());
        QCOMPARE(QFileInfo(a.lockFilePath()).fileName(), u"A.lock"_s);
    }

    void defaultDirectoryIsTemp()
    {
        const SingleInstanceLock lock;
        QCOMPARE(QFileInfo(lock.lockFilePath()).absolutePath(),
                 QFileInfo(QDir::tempPath()).absoluteFilePath());
        QCOMPARE(QFileInfo(lock.lockFilePath()).fileName(), u"TolvaneDesk.lock"_s);
        QVERIFY(!lock.isHeld());
    }

    // A lock that cannot be created at all is not another running copy.
    void missingDirectoryIsNotAnotherInstance()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        SingleInstanceLock lock(kLockName, dir.filePath(u"missing"_s));
        QVERIFY(!lock.tryAcquire());
        QVERIFY(!lock.isHeld());
        QVERIFY(!lock.heldElsewhere());
    }
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
