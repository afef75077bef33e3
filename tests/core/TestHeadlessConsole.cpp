#include "FakeConnection.h"
#include "FrameReader.h"
#include "ManualTimeSource.h"
#include "ProgramFolder.h"

#include "console/HeadlessConsole.h"
#include "platform/TerminationSignals.h"
#include "protocol/ServerPort.h"
#include "protocol/SessionMessages.h"
#include "protocol/Wire.h"
#include "settings/IniSettings.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <cstdio>

using namespace tolvane;
using namespace tolvane::console;
using namespace Qt::StringLiterals;
using testsupport::FakeConnection;
using testsupport::ManualTimeSource;

// The console without a window, on the manual clock.
class TestHeadlessConsole : public QObject
{
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFolder> m_folder;
    std::unique_ptr<ManualTimeSource> m_time;
    std::unique_ptr<HeadlessConsole> m_console;
    FakeConnection* m_link = nullptr;
    std::FILE* m_stdout = nullptr;

    void start()
    {
        auto link = std::make_unique<FakeConnection>();
        m_link = link.get();
        testsupport::answerAsServer(*m_link);
        m_console = std::make_unique<HeadlessConsole>(
            ConsoleOptions{m_folder->ini, m_folder->program, false, protocol::kServerPort, {}},
            m_time.get(), std::move(link), m_stdout);
        m_console->start({});
        ManualTimeSource::deliverPostedEvents();
    }

    // What went to standard output, without the time stamps.
    QStringList mirrored() const
    {
        std::fflush(m_stdout);
        std::rewind(m_stdout);
        QByteArray all;
        char buffer[4096];
        while (const size_t n = std::fread(buffer, 1, sizeof buffer, m_stdout))
            all.append(buffer, qsizetype(n));
        QStringList lines = QString::fromUtf8(all).split(u'\n');
        lines.removeLast();
        for (QString& line : lines)
            line = line.mid(24);
        return lines;
    }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<testsupport::ProgramFolder>();
        m_time =
            std::make_unique<ManualTimeSource>(QDateTime(QDate(2026, 12, 9), QTime(12, 59, 59)));
        m_stdout = std::tmpfile();
        QVERIFY(m_stdout);
    }
    void cleanup()
    {
        m_console.reset();
        m_folder.reset();
        std::fclose(m_stdout);
    }

    void runsTheWholeConsoleAndMirrorsTheLog()
    {
        settings::IniSettings settings(m_folder->ini);
        QVERIFY(settings.write(u"TimeSig"_s, u"00"_s, u"ex"_s));
        start();
        // Logs in by itself, as with "-auto".
        m_link->accept();
        ManualTimeSource::deliverPostedEvents();
        QCOMPARE(m_console->controller().linkState(), LinkState::LoggedIn);
        m_time->advance(1300); // a tick within 13:00
        QCOMPARE(m_link->sentWithCommand(protocol::CmdBroadcast).size(), 1);
        QCOMPARE(
            testsupport::broadcastText(m_link->sentWithCommand(protocol::CmdBroadcast).first()),
            u"13時"_s);
        // The polls go on.
        m_time->advance(5000);
        QVERIFY(m_link->sentWithCommand(protocol::CmdPlayerCount).size() >= 2);

        // A question is answered by the choice that changes nothing.
        m_console->controller().selectList(0);
        m_console->controller().DeleteSelectedList();
        QCOMPARE(m_console->controller().listNames().size(), 1);

        // The connection goes with the console: nothing of it outlives the stop.
        const QPointer<QObject> link(m_link);
        m_console->stop(u"SIGTERM"_s);
        m_link = nullptr;
        QCOMPARE(m_time->activeTimers(), 0);
        QVERIFY(link.isNull());

        const QStringList log = m_folder->logLines();
        QCOMPARE(mirrored(), log);
        QCOMPARE(log.first(), u"開始（画面なし） 1.1"_s);
        QVERIFY(log.contains(u"お知らせ データディレクトリを作りました"_s));
        QVERIFY(log.contains(u"送信 時報：13時"_s));
        QVERIFY(log.contains(u"確認 リストの削除：いいえ（画面なし）"_s));
        QCOMPARE(log.last(), u"終了（SIGTERM）"_s);
        // Nothing was saved on the way out.
        QVERIFY(
            !settings::IniSettings(m_folder->ini).read(u"TimeSig"_s, u"00H"_s, u"-"_s).isEmpty());
    }

    // Nobody can press ログイン: a refused login is tried once more when the password in
    // the settings file changes, never with one refused before.
    void aRefusedLoginIsTriedAgainWithANewPassword()
    {
        start();
        testsupport::answerAsServer(*m_link, 0);
        m_link->accept();
        ManualTimeSource::deliverPostedEvents();
        const auto logins = [this] {
            QStringList out;
            for (const QByteArray& f : m_link->sentWithCommand(protocol::CmdLogin))
                out.append(protocol::parseLoginRequest(f.sliced(6)).value_or(u"?"_s));
            return out;
        };
        QCOMPARE(logins(), QStringList{u"vexodrim"_s});
        settings::IniSettings settings(m_folder->ini);
        const auto changeTo = [&](const QString& password, int seen) {
            QVERIFY(settings.write(u"Velmira"_s, u"AdminPW"_s, password));
            QTRY_COMPARE(
                m_folder->logLines().count(u"外部変更 管理者パスワード（次のログインから）"_s),
                seen);
            ManualTimeSource::deliverPostedEvents();
        };
        // The same password written again changes nothing, and tries nothing.
        QVERIFY(settings.write(u"Velmira"_s, u"AdminPW"_s, u"vexodrim"_s));
        changeTo(u"second"_s, 1);
        QCOMPARE(logins(), (QStringList{u"vexodrim"_s, u"second"_s}));
        changeTo(u"vexodrim"_s, 2); // refused before
        QCOMPARE(logins().size(), 2);
        testsupport::answerAsServer(*m_link, 1);
        changeTo(u"third"_s, 3);
        QCOMPARE(logins().last(), u"third"_s);
        QCOMPARE(m_console->controller().linkState(), LinkState::LoggedIn);
        QCOMPARE(m_folder->logLines().count(u"ログイン 新しい管理者パスワードで再試行"_s), 2);
    }

    // Nobody sits at a headless console: every control state it can reach has a
    // command or an event that leaves it. A step is a command (say:, broadcast:, stop),
    // the server's side (accept, drop) or time going by (+ms).
    void everyStateHasAWayOut_data()
    {
        QTest::addColumn<QStringList>("reach");
        QTest::addColumn<int>("reached");
        QTest::addColumn<QString>("leave");
        QTest::addColumn<int>("left");
        const QStringList in{u"accept"_s};
        QTest::newRow("logged out: the login") << QStringList{} << 0 << u"accept"_s << 1;
        QTest::newRow("logged in: --broadcast") << in << 1 << u"broadcast:朝"_s << 2;
        QTest::newRow("logged in: a lost link") << in << 1 << u"drop"_s << 4;
        QTest::newRow("broadcasting: --stop")
            << in + QStringList{u"broadcast:朝"_s} << 2 << u"stop"_s << 3;
        QTest::newRow("broadcasting: the last line")
            << in + QStringList{u"broadcast:朝"_s} << 2 << u"+3000"_s << 3;
        // A list with no lines sends nothing and waits for "放送中止！", as the button does.
        QTest::newRow("broadcasting nothing: --stop")
            << in + QStringList{u"broadcast:空"_s} << 2 << u"stop"_s << 3;
        QTest::newRow("broadcast over: --broadcast")
            << in + QStringList{u"broadcast:朝"_s, u"stop"_s} << 3 << u"broadcast:朝"_s << 2;
        QTest::newRow("link lost: the link comes back")
            << in + QStringList{u"drop"_s, u"+0"_s} << 4 << u"accept"_s << 1;
        const QStringList paused = in + QStringList{u"broadcast:朝"_s, u"drop"_s, u"+0"_s};
        QTest::newRow("paused: --stop") << paused << 5 << u"stop"_s << 4;
        QTest::newRow("paused: the link comes back") << paused << 5 << u"accept"_s << 2;
    }

    void everyStateHasAWayOut()
    {
        QFETCH(QStringList, reach);
        QFETCH(int, reached);
        QFETCH(QString, leave);
        QFETCH(int, left);
        m_folder->makeDataDirectory({{u"朝"_s, {u"おはよう"_s, u"二行目"_s}}, {u"空"_s, {}}});
        start();
        const auto step = [this](const QString& s) {
            using settings::HandOverCommand;
            const auto [name, argument] = std::pair(s.section(u':', 0, 0), s.section(u':', 1));
            CommandStatus status = CommandStatus::Ok;
            if (name == u"accept")
                m_link->accept();
            else if (name == u"drop")
                m_link->drop();
            else if (name.startsWith(u'+'))
                m_time->advance(name.mid(1).toInt());
            else
                status = m_console->dispatcher()
                             .handle({name == u"stop" ? HandOverCommand::Stop
                                                      : HandOverCommand::Broadcast,
                                      argument})
                             .status;
            ManualTimeSource::deliverPostedEvents();
            return status == CommandStatus::Ok;
        };
        for (const QString& s : reach)
            QVERIFY2(step(s), qPrintable(s));
        QCOMPARE(int(m_console->dispatcher().controls().last()), reached);
        QVERIFY2(step(leave), qPrintable(leave));
        QCOMPARE(int(m_console->dispatcher().controls().last()), left);
    }

    void signalsEndTheLoop()
    {
        platform::TerminationSignals handler;
        QVERIFY(handler.isInstalled());
        QSignalSpy requested(&handler, &platform::TerminationSignals::terminationRequested);
#ifdef Q_OS_WIN
        // Windows has no SIGTERM to raise, and a console control event would reach every
        // process on the console; the program itself is ended in TestHeadlessProgram.
        QSKIP("no signals to raise on Windows");
#endif
        std::raise(SIGTERM);
        std::raise(SIGINT);
        QTRY_COMPARE(requested.size(), 2);
        QCOMPARE(requested.at(0).at(0).toInt(), SIGTERM);
        QCOMPARE(requested.at(1).at(0).toInt(), SIGINT);
        QCOMPARE(platform::TerminationSignals::signalName(SIGTERM), u"SIGTERM"_s);
        // A second handler does not take the signals from the first.
        QVERIFY(!platform::TerminationSignals().isInstalled());
    }
};

QTEST_GUILESS_MAIN(TestHeadlessConsole)
#include "TestHeadlessConsole.moc"
