// The console's files survive a process killed in the middle of a save and a disk
// that fills up: each file is always the old version or the new one, whole.

#include "FileBytes.h"

#include "FileSystemFaults.h"

#include "broadcast/MessageListStore.h"
#include "settings/IniSettings.h"
#include "timesignal/TimeSignalFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

using testsupport::readBytes;
using namespace Qt::StringLiterals;
using namespace tolvane;

namespace {

const char* const kChildVariable = "TOLVANE_SAVE_CHILD";
const QString kListTitle = u"big"_s;
constexpr int kListLines = 30000;
constexpr int kScheduleRows = 3000;
constexpr int kKills = 20;
constexpr int kMaxChildSaves = 2000;
constexpr quint32 kSeed = 932;
// A child process's rounds trip, not a wait: the time it may take under a sanitizer.
constexpr int kChildMs = 30000;

// Two versions of everything, told apart in every line and in their lengths.
QString listLine(int version, int i)
{
    return version == 0 ? u"line %1 of the first version"_s.arg(i, 5, 10, QChar(u'0'))
                        : u"second %1"_s.arg(i, 5, 10, QChar(u'0'));
}

int listLineCount(int version)
{
    return version == 0 ? kListLines : kListLines - 1234;
}

QStringList listVersion(int version)
{
    QStringList lines;
    for (int i = 0; i < listLineCount(version); ++i)
        lines.append(listLine(version, i));
    return lines;
}

QString scheduleTime(int i)
{
    return u"%1:%2:%3"_s.arg((i / 3600) % 24, 2, 10, QChar(u'0'))
        .arg((i / 60) % 60, 2, 10, QChar(u'0'))
        .arg(i % 60, 2, 10, QChar(u'0'));
}

QList<timesignal::TimeSignalRow> scheduleVersion(int version)
{
    QList<timesignal::TimeSignalRow> rows;
    const int count = version == 0 ? kScheduleRows : kScheduleRows / 2;
    for (int i = 0; i < count; ++i)
        rows.append({scheduleTime(i), version == 0, u"list-%1-v%2"_s.arg(i).arg(version)});
    return rows;
}

#ifndef Q_OS_WIN // only the killed-child case, which does not run on Windows, reads these
// The file bytes each version must have, spelled out here rather than by the writers.
QByteArray listBytes(int version)
{
    QByteArray bytes = QByteArray::number(listLineCount(version)) + "\r\n";
    for (int i = 0; i < listLineCount(version); ++i)
        bytes += listLine(version, i).toLatin1() + "\r\n";
    return bytes;
}

QByteArray scheduleBytes(int version)
{
    const QList<timesignal::TimeSignalRow> rows = scheduleVersion(version);
    QByteArray bytes = QByteArray::number(rows.size()) + "\r\n";
    for (const auto& row : rows)
        bytes += (row.displayTime + (row.enabled ? u",1,"_s : u",0,"_s) + row.listName).toLatin1() +
                 "\r\n";
    return bytes;
}
#endif

void say(const char* word, int i)
{
    std::fprintf(stdout, "%s %d\n", word, i);
    std::fflush(stdout);
}

// Child mode: saves the list and the schedule over and over, alternating between the
// two versions, and says so before, between and after the two saves, until killed. Bounded in
// count and time in case nobody kills it.
int runSaveChild(const QString& directory)
{
#ifdef Q_OS_LINUX
    prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlives the test
#endif
    const QDir dir(directory);
    const QStringList lists[2] = {listVersion(0), listVersion(1)};
    const QList<timesignal::TimeSignalRow> schedules[2] = {scheduleVersion(0), scheduleVersion(1)};
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kMaxChildSaves && clock.elapsed() < 60000; ++i) {
        say("begin", i);
        if (!broadcast::WriteListFile(dir, kListTitle, lists[i % 2]).ok()) {
            say("failed", i);
            return 2;
        }
        say("listed", i);
        if (!timesignal::WriteTimeSignalFile(dir, schedules[i % 2]).ok()) {
            say("failed", i);
            return 2;
        }
        say("saved", i);
    }
    return 0;
}

#ifndef Q_OS_WIN
// Which of the two versions `bytes` are, or -1 for neither.
int versionOf(const QByteArray& bytes, const QByteArray (&versions)[2])
{
    return bytes == versions[0] ? 0 : bytes == versions[1] ? 1 : -1;
}

QString describe(const QString& path, const QByteArray& bytes)
{
    return u"%1 holds neither version (%2 bytes, starting %3)"_s.arg(path)
        .arg(bytes.size())
        .arg(QString::fromLatin1(bytes.left(40).toHex()));
}
#endif

} // namespace

class TestFileFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedDuringSaveLeavesOneWholeVersion();
    void settingsAndScheduleOnFullDisk();
};

void TestFileFaults::killedDuringSaveLeavesOneWholeVersion()
{
#ifdef Q_OS_WIN
    QSKIP("killing a process in the middle of a write is a POSIX case");
#else
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QDir dir(tmp.path());
    const QByteArray lists[2] = {listBytes(0), listBytes(1)};
    const QByteArray schedules[2] = {scheduleBytes(0), scheduleBytes(1)};
    QVERIFY(lists[0].size() != lists[1].size() && schedules[0].size() != schedules[1].size());

    QRandomGenerator rng(kSeed);
    int killedMidSave = 0;
    int strayFiles = 0;
    QStringList seen;
    for (int round = 0; round < kKills; ++round) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildVariable), dir.path());
        child.setProcessEnvironment(env);
        QByteArray output;
        connect(&child, &QProcess::readyReadStandardOutput, this,
                [&] { output += child.readAllStandardOutput(); });
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted(kChildMs));

        // Killed as soon as it says it starts the list or the schedule of one of its
        // first rounds: it is then writing, wherever the scheduler lets it get to.
        const QByteArray mark = QByteArray(rng.bounded(2) ? "listed " : "begin ") +
                                QByteArray::number(1 + rng.bounded(3)) + '\n';
        QTRY_VERIFY_WITH_TIMEOUT(output.contains(mark), kChildMs);
        child.kill();
        QTRY_COMPARE_WITH_TIMEOUT(child.state(), QProcess::NotRunning, kChildMs);
        output += child.readAllStandardOutput();
        QVERIFY2(!output.contains("failed"), output.right(200).constData());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        if (!output.trimmed().split('\n').last().startsWith("saved"))
            ++killedMidSave;

        const QString listPath = dir.filePath(kListTitle);
        const QString schedulePath = dir.filePath(timesignal::kTimeSignalFileName);
        const QByteArray list = readBytes(listPath);
        const QByteArray schedule = readBytes(schedulePath);
        const int listVersion = versionOf(list, lists);
        const int scheduleVersion = versionOf(schedule, schedules);
        QVERIFY2(listVersion >= 0, qPrintable(describe(listPath, list)));
        QVERIFY2(scheduleVersion >= 0, qPrintable(describe(schedulePath, schedule)));
        seen.append(QString::number(listVersion) + QString::number(scheduleVersion));

        // A temporary file that a killed save could not clean up is no list or
        // schedule; it is counted, reported and removed.
        const QStringList names =
            dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
        for (const QString& name : names) {
            if (name != kListTitle && name != timesignal::kTimeSignalFileName) {
                ++strayFiles;
                QFile::remove(dir.filePath(name));
            }
        }
    }
    qInfo("killed %d times, %d of them in the middle of a save; versions (list, schedule) "
          "found: %s; temporary files left behind: %d",
          kKills, killedMidSave, qPrintable(seen.join(u' ')), strayFiles);
#endif
}

void TestFileFaults::settingsAndScheduleOnFullDisk()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QDir dir(tmp.filePath(u"full"_s));
    QVERIFY(QDir().mkpath(dir.path()));
    const auto disk = testing::ScopedMount::tinyFileSystem(dir.path(), 16);
    if (!disk->active())
        QSKIP(qPrintable(u"no small file system to fill: "_s + disk->error()));

    const settings::IniSettings settings(dir.filePath(u"Tolvane.ini"_s));
    QVERIFY(settings.write(u"Velmira"_s, u"HostIP"_s, u"127.0.0.1"_s));
    const QByteArray oldIni = readBytes(settings.path());
    QVERIFY(oldIni.contains("HostIP=127.0.0.1"));
    QVERIFY(testing::fillUp(dir) > 0);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);

    // A settings write fails and says so; the file keeps its old text.
    QVERIFY(!settings.write(u"SCBn"_s, u"Btn1"_s, QString(300, u'x')));
    QCOMPARE(readBytes(settings.path()), oldIni);
    QCOMPARE(settings.read(u"SCBn"_s, u"Btn1"_s, u"none"_s), u"none"_s);

    // The default schedule cannot be created: failure, and no empty file in its place.
    QVERIFY(!timesignal::CreateTimeSignalFile(dir));
    QVERIFY(!QFile::exists(dir.filePath(timesignal::kTimeSignalFileName)));
    QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden, QDir::Name), entries);
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(kChildVariable))
        return runSaveChild(qEnvironmentVariable(kChildVariable));
    QCoreApplication app(argc, argv);
    TestFileFaults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "TestFileFaults.moc"
