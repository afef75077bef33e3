// The built program end to end: --headless as a service manager runs it, commands
// from other starts, the single-instance lock of each user, a socket that is not the
// user's own, the usage, and SIGTERM.
#include "VelmiraServer.h"

#include "console/CommandReader.h"

#include "Version.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

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
    // The event loop runs meanwhile, for a server in this process.
    std::pair<int, QString> runOnce(const QStringList& arguments, const QString& program = {},
                                    QProcessEnvironment env = {})
    {
        QProcess p;
        p.setProcessEnvironment(env.isEmpty() ? m_env : env);
        p.setWorkingDirectory(m_tmp.filePath(u"work"_s));
        p.start(program.isEmpty() ? m_program : program, arguments);
        if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000))
            return {-1, {}};
        QByteArray out = p.readAllStandardOutput() + p.readAllStandardError();
        out.replace("\r\n", "\n"); // a text-mode stream on Windows
        return {p.exitCode(), QString::fromUtf8(out)};
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
        m_env.insert(u"LOCALAPPDATA"_s, m_tmp.filePath(u"run"_s)); // the lock on Windows
        m_env.insert(u"TMPDIR"_s, m_tmp.filePath(u"tmp"_s));
        m_env.insert(u"XDG_DATA_HOME"_s, m_tmp.filePath(u"share"_s)); // the profiles on Linux
        m_env.remove(u"DISPLAY"_s);
        m_env.remove(u"QT_QPA_PLATFORM"_s);
    }

    // The usage, the version and a mistyped option need no display and start nothing
    // (this runs first: no console has left its log or folder yet).
    void usageWithoutADisplay()
    {
        const auto help = runOnce({u"--help"_s});
        QCOMPARE(help.first, 0);
        QVERIFY2(help.second.startsWith(u"usage: tolvane-desk"_s), qPrintable(help.second));
        for (int status = 0; status <= int(tolvane::console::CommandStatus::NotStarted); ++status)
            QVERIFY(help.second.contains(u"\n%1  "_s.arg(status, 4)));
        QCOMPARE(runOnce({u"-h"_s}).second, help.second);
        QCOMPARE(runOnce({u"--version"_s}),
                 std::pair(0, u"tolvane-desk "_s + QString(tolvane::kVersion) + u'\n'));

        const auto typo = runOnce({u"--sya"_s, u"hello"_s});
        QCOMPARE(typo.first, 1);
        QVERIFY2(typo.second.startsWith(u"tolvane-desk: unknown option --sya\nusage:"_s),
                 qPrintable(typo.second));
        QVERIFY(!QFileInfo::exists(m_tmp.filePath(u"program/TolvaneLog"_s)));
        QVERIFY(QDir(m_tmp.filePath(u"run"_s)).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
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
        // The lock is the window's too: a second console does not start, and says so.
        const auto second = runOnce({u"--headless"_s});
        QCOMPARE(second.first, 10);
        QVERIFY2(second.second.contains(u"another console of this user is running"_s),
                 qPrintable(second.second));
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
        QList<QByteArray> logged = log.readAll().trimmed().split('\n');
        // The refused second start is in the shared log as well.
        const auto refused = std::find_if(logged.begin(), logged.end(), [](const QByteArray& l) {
            return l.contains(
                "開始できません（画面なし）：another console of this user is running");
        });
        QVERIFY(refused != logged.end());
        logged.erase(refused);
        QCOMPARE(logged, mirrored);
        QCOMPARE(runOnce({u"--stop"_s}).first, 2);
    }

#ifndef Q_OS_WIN
    // Something listens in the socket's folder but the folder is not the user's own:
    // the command is not handed over and the script is not told it was sent.
    void socketFolderNotTheUsersOwn()
    {
        QTemporaryDir runtime;
        const QString folder = runtime.filePath(u"tolvane-desk"_s);
        QVERIFY(QDir().mkdir(folder));
        QLocalServer impostor;
        QVERIFY(impostor.listen(folder + u"/command"_s));
        int connections = 0;
        connect(&impostor, &QLocalServer::newConnection, this, [&] {
            QLocalSocket* s = impostor.nextPendingConnection();
            ++connections;
            using namespace tolvane::console;
            s->write(encodeCommandFrame(replyToJson({CommandStatus::Ok, u"sent"_s})));
            s->disconnectFromServer();
        });
        QProcessEnvironment env = m_env;
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        const QByteArray path = QFile::encodeName(folder);
        for (const char* fault : {"open to others", "another user's"}) {
            if (qstrcmp(fault, "open to others") == 0)
                QCOMPARE(::chmod(path.constData(), 0777), 0);
            else if (::geteuid() == 0)
                QCOMPARE(::chmod(path.constData(), 0700) + ::chown(path.constData(), 65534, 65534),
                         0);
            else
                QSKIP("a folder of another user needs root to make (CI runs as root)");
            const auto [status, line] = runOnce({u"--say"_s, u"hello"_s}, {}, env);
            QCOMPARE(status, 9);
            QVERIFY2(line.startsWith(u"not sent: "_s + folder), qPrintable(line));
            QCOMPARE(connections, 0);
        }
    }

    // Two users of one machine, neither with a runtime folder of its session (as from
    // cron): each runs a console of its own and reaches only that one.
    void twoUsersEachRunAConsole()
    {
        const QString setpriv = QStandardPaths::findExecutable(u"setpriv"_s);
        if (::geteuid() != 0 || setpriv.isEmpty())
            QSKIP("another user's console needs root and setpriv (CI runs as root)");
        const QString other = m_tmp.filePath(u"other"_s);
        const QString shared = m_tmp.filePath(u"shared-tmp"_s);
        QVERIFY(QDir().mkpath(other + u"/program"_s) && QDir().mkpath(other + u"/work"_s));
        QVERIFY(QDir().mkpath(shared));
        const QString program = other + u"/program/tolvane-desk"_s;
        QVERIFY(QFile::copy(m_program, program));
        for (const QString& path : {other, other + u"/program"_s, other + u"/work"_s, program})
            QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
        QCOMPARE(::chmod(QFile::encodeName(m_tmp.path()).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 01777), 0);

        QProcessEnvironment env = m_env;
        env.remove(u"XDG_RUNTIME_DIR"_s);
        env.insert(u"TMPDIR"_s, shared);
        env.insert(u"HOME"_s, other);
        // The leak checker's suppressions, where the other user can read them.
        QString lsan = env.value(u"LSAN_OPTIONS"_s);
        if (const qsizetype at = lsan.indexOf(u"suppressions="_s); at >= 0) {
            const QString file = lsan.mid(at + 13).section(u':', 0, 0);
            QVERIFY(QFile::copy(file, other + u"/lsan.supp"_s));
            env.insert(u"LSAN_OPTIONS"_s, lsan.replace(file, other + u"/lsan.supp"_s));
        }
        const QStringList asOther = {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s,
                                     program};
        std::vector<std::unique_ptr<QProcess>> consoles;
        for (const QStringList& start : {QStringList{program}, QStringList{setpriv} + asOther}) {
            auto& p = consoles.emplace_back(std::make_unique<QProcess>());
            p->setProcessEnvironment(env);
            p->setWorkingDirectory(other + u"/work"_s);
            p->start(start.first(), start.mid(1) + QStringList{u"--headless"_s});
            QByteArray out;
            QTRY_VERIFY_WITH_TIMEOUT((out += p->readAllStandardOutput()).contains("接続開始"),
                                     10000);
        }
        QCOMPARE(runOnce({u"--status"_s}, program, env).first, 0);
        QCOMPARE(runOnce(asOther + QStringList{u"--status"_s}, setpriv, env).first, 0);
        // One user still never runs two.
        QCOMPARE(runOnce(asOther + QStringList{u"--headless"_s}, setpriv, env).first, 10);
        for (auto& p : consoles) {
            p->terminate();
            QVERIFY(p->waitForFinished(10000));
            QCOMPARE(p->exitCode(), 0);
        }
    }
#endif

    // Two worlds side by side, each with its own server on its own loopback address,
    // its own files, lock and socket; one command reaches both, and says which one
    // could not carry it out.
    void worldsSideBySide()
    {
        struct World
        {
            QString name;
            QString address;
            tolvane::sim::VelmiraServer server;
            QStringList heard;
            QProcess console;
            QByteArray out;
        };
        World worlds[2];
        worlds[0].name = u"本番"_s;
        worlds[0].address = u"127.0.0.2"_s;
        worlds[1].name = u"test world"_s;
        worlds[1].address = u"127.0.0.3"_s;
#ifdef Q_OS_WIN
        const QString profiles = m_tmp.filePath(u"program/profiles"_s);
#else
        const QString profiles = m_tmp.filePath(u"share/TolvaneDesk/profiles"_s);
#endif
        for (World& w : worlds) {
            tolvane::sim::SimOptions options;
            options.address = QHostAddress(w.address);
            options.port = 0;
            options.quiet = true;
            QVERIFY2(w.server.listen(options), qPrintable(w.server.errorString()));
            QObject::connect(&w.server, &tolvane::sim::VelmiraServer::broadcastReceived,
                             [&w](const QString& text) { w.heard.append(text); });
            // A profile made by hand: its folder and its settings.
            const QString folder = QDir(profiles).filePath(w.name);
            QVERIFY(QDir().mkpath(folder));
            QFile ini(QDir(folder).filePath(u"Tolvane.ini"_s));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Velmira]\r\nHostIP=" + w.address.toLatin1() + "\r\n");
            ini.close();
            QProcessEnvironment env = m_env;
            env.insert(u"TOLVANE_TEST_SERVER_PORT"_s, QString::number(w.server.serverPort()));
            w.console.setProcessEnvironment(env);
            w.console.setWorkingDirectory(m_tmp.filePath(u"work"_s));
            w.console.start(m_program, {u"--headless"_s, u"--profile"_s, w.name});
        }
        for (World& w : worlds)
            QTRY_VERIFY_WITH_TIMEOUT((w.out += w.console.readAllStandardOutput())
                                         .contains("[" + w.name.toUtf8() + "] ログインしました"),
                                     10000);

        QCOMPARE(runOnce({u"--list-profiles"_s}),
                 std::pair(0, u"(default)\tstopped\ntest world\trunning\n本番\trunning\n"_s));
        QCOMPARE(runOnce({u"--all"_s, u"--say"_s, u"まもなくメンテナンスです"_s}),
                 std::pair(0, u"test world: sent: まもなくメンテナンスです\n"
                              "本番: sent: まもなくメンテナンスです\n"_s));
        for (World& w : worlds)
            QTRY_COMPARE(w.heard, QStringList{u"まもなくメンテナンスです"_s});
        // One console per world; the default console is another one and not running.
        const auto again = runOnce({u"--headless"_s, u"--profile"_s, worlds[0].name});
        QCOMPARE(again.first, 10);
        QCOMPARE(runOnce({u"--status"_s}).first, 2);
        QCOMPARE(runOnce({u"--profile"_s, u"nowhere"_s, u"--say"_s, u"x"_s}).first, 1);
        QCOMPARE(runOnce({u"--headless"_s, u"--profile"_s, u"CON"_s}).first, 1);
        QVERIFY(!QFileInfo::exists(QDir(profiles).filePath(u"CON"_s)));

        // The test world's server goes down: the line still reaches the other one.
        worlds[1].server.close();
        QTRY_VERIFY_WITH_TIMEOUT(
            (worlds[1].out += worlds[1].console.readAllStandardOutput()).contains("切断"), 10000);
        const auto [status, lines] = runOnce({u"--all"_s, u"--say"_s, u"二度目"_s});
        QCOMPARE(status, 3);
        QVERIFY2(lines.contains(u"本番: sent: 二度目"_s), qPrintable(lines));
        QVERIFY2(lines.contains(u"refused by test world (3: "_s), qPrintable(lines));
        QTRY_COMPARE(worlds[0].heard.size(), 2);

        for (World& w : worlds) {
            w.console.terminate();
            QVERIFY(w.console.waitForFinished(10000));
        }
        // Each world's log is its own, every line naming it; the line to all is marked.
        const QDir logs(QDir(profiles).filePath(worlds[0].name + u"/TolvaneLog"_s));
        QFile log(logs.filePath(logs.entryList({u"*.log"_s}).value(0)));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QStringList logged = QString::fromUtf8(log.readAll()).trimmed().split(u'\n');
        for (const QString& line : logged)
            QVERIFY2(line.mid(24).startsWith(u"[本番] "_s), qPrintable(line));
        QVERIFY(logged.filter(u"[本番] [コマンド・全体] 送信 生声：二度目"_s).size() == 1);
    }
};

QTEST_GUILESS_MAIN(TestHeadlessProgram)
#include "TestHeadlessProgram.moc"
