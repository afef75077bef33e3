#include "settings/CommandLine.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

// The real program: one copy at a time, a lock left by a killed copy does not block
// the next start, and the settings file is taken from the starting directory.
class TestStartup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_program;
    QTcpServer m_server; // where the started console connects: a port of the test's own
    QList<QProcess*> m_started;
    static constexpr qint64 kHeaderSize = 6; // length (4 bytes) and command (2 bytes)

    QProcess* start(const QString& workDir, const QStringList& args = {QStringLiteral("-auto")})
    {
        auto* p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // The single-instance lock and the command socket live in the user's runtime
        // folder: keep them the test's own.
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_tmp.filePath(QStringLiteral("lock")));
        env.insert(QStringLiteral("LOCALAPPDATA"), m_tmp.filePath(QStringLiteral("lock")));
        env.insert(QStringLiteral("TMPDIR"), m_tmp.filePath(QStringLiteral("lock")));
        env.insert(QString::fromLatin1(tolvane::settings::kTestServerPortVariable),
                   QString::number(m_server.serverPort()));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(workDir);
        p->setProgram(m_program);
        p->setArguments(args);
        p->start();
        p->waitForStarted();
        m_started.append(p);
        return p;
    }

    // The program's login frame arrives on a new connection: the copy runs. The frame
    // is read up to the length its header declares, however the bytes are split.
    QByteArray nextLogin()
    {
        if (!m_server.waitForNewConnection(20000))
            return {};
        QTcpSocket* s = m_server.nextPendingConnection();
        QByteArray bytes;
        const auto frameSize = [&bytes]() -> qint64 {
            if (bytes.size() < kHeaderSize)
                return kHeaderSize;
            return kHeaderSize + qFromLittleEndian<quint32>(bytes.constData());
        };
        while (bytes.size() < frameSize() && s->waitForReadyRead(10000))
            bytes += s->readAll();
        s->deleteLater();
        return bytes;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
        // A private copy of the program, so its data directory beside it is ours.
        const QString dir = m_tmp.filePath(QStringLiteral("program"));
        QVERIFY(QDir().mkpath(dir + QStringLiteral("/TolvaneData")));
        QVERIFY(QDir().mkpath(m_tmp.filePath(QStringLiteral("lock"))));
        QVERIFY(QDir().mkpath(m_tmp.filePath(QStringLiteral("work"))));
        m_program = dir + QStringLiteral("/tolvane-desk");
        QVERIFY(QFile::copy(QStringLiteral(TOLVANE_DESK_PATH), m_program));
    }

    void cleanup()
    {
        for (QProcess* p : std::as_const(m_started)) {
            p->kill();
            p->waitForFinished(10000);
        }
        m_started.clear();
    }

    void secondCopyEndsAtOnceAndKilledLockDoesNotBlock()
    {
        const QString work = m_tmp.filePath(QStringLiteral("work"));
        QFile ini(work + QStringLiteral("/Tolvane.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Velmira]\r\nAdminPW=first\r\n");
        ini.close();

        QProcess* first = start(work);
        const QByteArray login = nextLogin();
        // The settings came from the starting directory.
        QCOMPARE(login.toHex(), QByteArray("0f0000001127"
                                           "0c00"
                                           "66006900720073007400"
                                           "0000"
                                           "00"));

        QProcess* second = start(work);
        QVERIFY(second->waitForFinished(20000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(!m_server.hasPendingConnections());
        QCOMPARE(first->state(), QProcess::Running);

        first->kill(); // SIGKILL: the lock file stays behind
        QVERIFY(first->waitForFinished(10000));

        QProcess* third = start(work);
        QVERIFY(!nextLogin().isEmpty());
        QCOMPARE(third->state(), QProcess::Running);
        third->kill();
        third->waitForFinished(10000);
    }

    void qtOptionsAreNotTheProgramsArguments()
    {
        // "-platform offscreen" is Qt's own; "-auto" stays the last of the program's.
        QProcess* p = start(
            m_tmp.filePath(QStringLiteral("work")),
            {QStringLiteral("-auto"), QStringLiteral("-platform"), QStringLiteral("offscreen")});
        QVERIFY(!nextLogin().isEmpty());
        p->kill();
        p->waitForFinished(10000);
    }

    void autoFollowedByAnotherArgumentDoesNotLogIn()
    {
        const QString work = m_tmp.filePath(QStringLiteral("work"));
        QProcess* p = start(work, {QStringLiteral("-auto"), QStringLiteral("x")});
        QVERIFY(m_server.waitForNewConnection(20000));
        QTcpSocket* s = m_server.nextPendingConnection();
        // Connected, but no login follows without a click.
        QVERIFY(!s->waitForReadyRead(1500));
        QCOMPARE(s->bytesAvailable(), 0);
        p->kill();
        p->waitForFinished(10000);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "TestStartup.moc"
