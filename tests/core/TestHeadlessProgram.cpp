// The built program end to end: --headless as a service manager runs it, commands
// from other starts, the single-instance lock, and SIGTERM.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#ifndef TOLVANE_DESK_PATH
#error "TOLVANE_DESK_PATH must name the built tolvane-desk"
#endif

using namespace Qt::StringLiterals;

class TestHeadlessProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_program;
    QProcessEnvironment m_env;

    // A start of the program with `arguments`, to its end; its exit code and output.
    std::pair<int, QString> runOnce(const QStringList& arguments)
    {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.setWorkingDirectory(m_tmp.filePath(u"work"_s));
        p.start(m_program, arguments);
        if (!p.waitForFinished(10000))
            return {-1, {}};
        return {p.exitCode(),
                QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        // Its own copy, so the data and the log land here; its own runtime and
        // temporary directories, so the socket and the lock are this test's alone.
        for (const char* dir : {"program", "work", "run", "tmp"})
            QVERIFY(QDir().mkpath(m_tmp.filePath(QString::fromLatin1(dir))));
        QVERIFY(QFile::setPermissions(m_tmp.filePath(u"run"_s), QFileDevice::ReadOwner |
                                                                    QFileDevice::WriteOwner |
                                                                    QFileDevice::ExeOwner));
        const QString source = QStringLiteral(TOLVANE_DESK_PATH);
        m_program = m_tmp.filePath(u"program/tolvane-desk"_s);
        QVERIFY(QFile::copy(source, m_program));
        QVERIFY(QFile::setPermissions(m_program, QFile::permissions(source)));
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(u"XDG_RUNTIME_DIR"_s, m_tmp.filePath(u"run"_s));
        m_env.insert(u"TMPDIR"_s, m_tmp.filePath(u"tmp"_s));
        m_env.remove(u"DISPLAY"_s);
        m_env.remove(u"QT_QPA_PLATFORM"_s);
    }

    void runsWithoutADisplayAndEndsOnSigterm()
    {
        QCOMPARE(runOnce({u"--status"_s}).first, 2); // no console yet

        QProcess console;
        console.setProcessEnvironment(m_env);
        console.setWorkingDirectory(m_tmp.filePath(u"work"_s));
        console.start(m_program, {u"--headless"_s});
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += console.readAllStandardOutput()).contains("接続開始"),
                                 10000);

        const auto [status, line] = runOnce({u"--status"_s});
        QCOMPARE(status, 0);
        QVERIFY2(line.startsWith(u"{\"broadcast\":null,"_s), qPrintable(line));
        // The lock is the window's too: a second console does not start.
        const auto second = runOnce({u"--headless"_s});
        QCOMPARE(second.first, 1);
        QVERIFY(second.second.contains(u"another console is running"_s));
        QCOMPARE(runOnce({u"--say"_s}).first, 1);

        console.terminate();
        QVERIFY(console.waitForFinished(10000));
        QCOMPARE(console.exitStatus(), QProcess::NormalExit);
        QCOMPARE(console.exitCode(), 0);
        out += console.readAllStandardOutput();
        out.replace("\r\n", "\n"); // a text-mode stream on Windows
        const QList<QByteArray> mirrored = out.trimmed().split('\n');
        QVERIFY(mirrored.last().endsWith("終了（SIGTERM）"));

        // Standard output and the operator's log hold the same lines, the last one
        // written before the end.
        const QDir logs(m_tmp.filePath(u"program/TolvaneLog"_s));
        const QStringList files = logs.entryList({u"*.log"_s});
        QCOMPARE(files.size(), 1);
        QFile log(logs.filePath(files.first()));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().trimmed().split('\n'), mirrored);
        QCOMPARE(runOnce({u"--stop"_s}).first, 2);
    }
};

QTEST_GUILESS_MAIN(TestHeadlessProgram)
#include "TestHeadlessProgram.moc"
