#include "ConsoleLogin.h"
#include "FakeConnection.h"
#include "FrameReader.h"
#include "ManualTimeSource.h"
#include "ProgramFolder.h"
#include "ScriptedPrompts.h"

#include "console/CommandDispatcher.h"
#include "console/ConsoleController.h"
#include "protocol/ServerPort.h"
#include "protocol/Wire.h"
#include "settings/IniSettings.h"
#include "timesignal/TimeSignalFile.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

using namespace tolvane;
using namespace tolvane::console;
using namespace Qt::StringLiterals;
using testsupport::FakeConnection;
using testsupport::ManualTimeSource;

// Commands handed over act on the console exactly as its buttons do.
class TestCommandDispatcher : public QObject
{
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFolder> m_folder;
    std::unique_ptr<ManualTimeSource> m_time;
    std::unique_ptr<testsupport::ScriptedPrompts> m_prompts;
    std::unique_ptr<ConsoleController> m_console;
    std::unique_ptr<CommandDispatcher> m_commands;
    FakeConnection* m_link = nullptr;

    void start()
    {
        m_folder->makeDataDirectory(
            {{u"朝のお知らせ"_s, {u"おはよう"_s, u"二行目"_s}}, {u"夜"_s, {u"おやすみ"_s}}});
        auto link = std::make_unique<FakeConnection>();
        m_link = link.get();
        m_console = std::make_unique<ConsoleController>(
            ConsoleOptions{m_folder->ini, m_folder->program, false, protocol::kServerPort, {}},
            *m_prompts, m_time.get(), std::move(link));
        m_commands = std::make_unique<CommandDispatcher>(*m_console);
        m_console->initialise();
        ManualTimeSource::deliverPostedEvents();
    }

    void logIn() { testsupport::logInAndForgetFrames(*m_link, *m_console); }

    CommandReply run(settings::HandOverCommand command, const QString& argument = {})
    {
        const CommandReply reply = m_commands->handle({command, argument});
        ManualTimeSource::deliverPostedEvents();
        return reply;
    }

    QJsonObject status()
    {
        const CommandReply reply = run(settings::HandOverCommand::Status);
        return QJsonDocument::fromJson(reply.line.toUtf8()).object();
    }

    QList<QByteArray> broadcasts() const { return m_link->sentWithCommand(protocol::CmdBroadcast); }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<testsupport::ProgramFolder>();
        m_time = std::make_unique<ManualTimeSource>();
        m_prompts = std::make_unique<testsupport::ScriptedPrompts>();
    }
    void cleanup()
    {
        QVERIFY2(m_prompts->done(), "a scripted question or notice never came");
        m_commands.reset();
        m_console.reset();
        m_folder.reset();
    }

    void sayIsTheLiveButton()
    {
        start();
        logIn();
        m_console->copyLineToLive(-1);
        QSignalSpy box(m_console.get(), &ConsoleController::liveTextChanged);
        // The cap of 18 units falls inside the pair: the reply, the log and the frame all
        // end before it.
        const QString sent = u"あと五分でメンテナンスです、ログア"_s;
        const QString text = sent + u"\U0001F600ウトしてください。"_s;
        const CommandReply reply = run(settings::HandOverCommand::Say, text);
        QCOMPARE(reply.status, CommandStatus::Ok);
        QCOMPARE(reply.line, u"sent: "_s + sent);
        // What the operator has in the live box stays there.
        QCOMPARE(box.size(), 0);

        const QList<QByteArray> byCommand = m_link->sent;
        m_link->sent.clear();
        m_console->SendLiveMessage(text);
        QCOMPARE(byCommand.size(), 1);
        QCOMPARE(byCommand, m_link->sent);
        QCOMPARE(byCommand.first().sliced(6, 2).toHex(), QByteArray("2200"));
        // Same line, marked.
        const QString line = u"送信 生声："_s + sent;
        QCOMPARE(m_folder->logLines().mid(3),
                 (QStringList{CommandDispatcher::kLogMark + line, line}));
    }

    void broadcastIsTheStartButton()
    {
        start();
        logIn();
        const CommandReply reply = run(settings::HandOverCommand::Broadcast, u"朝"_s);
        QCOMPARE(reply.status, CommandStatus::Ok);
        QCOMPARE(reply.line, u"broadcasting 朝のお知らせ (2 lines)"_s);
        QCOMPARE(m_console->currentListName(), u"朝のお知らせ"_s);
        const QJsonObject during = status();
        QCOMPARE(during.value(u"broadcast"_s).toObject().value(u"list"_s).toString(),
                 u"朝のお知らせ"_s);
        QCOMPARE(during.value(u"broadcast"_s).toObject().value(u"lines"_s).toInt(), 2);
        m_time->advance(3 * 1500);
        const QList<QByteArray> byCommand = broadcasts();
        QCOMPARE(status().value(u"broadcast"_s), QJsonValue(QJsonValue::Null));

        m_link->sent.clear();
        m_console->selectList(int(m_console->listNames().indexOf(u"朝のお知らせ"_s)));
        m_console->StartBroadcast();
        ManualTimeSource::deliverPostedEvents();
        m_time->advance(3 * 1500);
        QCOMPARE(byCommand.size(), 2);
        QCOMPARE(byCommand, broadcasts());
        const QStringList log = m_folder->logLines();
        QVERIFY(log.contains(CommandDispatcher::kLogMark + u"放送開始 リスト「朝のお知らせ」"_s));
        QCOMPARE(log.count(u"送信 リスト「朝のお知らせ」 1/2：おはよう"_s), 2);
    }

    void stopIsTheStopButton()
    {
        start();
        logIn();
        QCOMPARE(run(settings::HandOverCommand::Broadcast, u"朝"_s).status, CommandStatus::Ok);
        m_time->advance(1500);
        QCOMPARE(run(settings::HandOverCommand::Stop).status, CommandStatus::Ok);
        QCOMPARE(m_commands->controls().last(), ControlState::BroadcastOver);
        m_time->advance(3 * 1500);
        QCOMPARE(broadcasts().size(), 1);
        QCOMPARE(m_folder->logLines().last(),
                 CommandDispatcher::kLogMark + u"放送中止 リスト「朝のお知らせ」"_s);
    }

    // Each refusal has its own status and sends nothing.
    void refusals()
    {
        start();
        const auto refused = [this](settings::HandOverCommand command, const QString& argument,
                                    CommandStatus status, const QString& logged) {
            const qsizetype before = m_link->sent.size();
            const CommandReply reply = run(command, argument);
            QCOMPARE(reply.status, status);
            QVERIFY(!reply.line.isEmpty());
            QCOMPARE(m_link->sent.size(), before);
            QCOMPARE(m_folder->logLines().last(), CommandDispatcher::kLogMark + logged);
        };
        // Connecting: no link yet.
        refused(settings::HandOverCommand::Say, u"x"_s, CommandStatus::NotLoggedIn,
                u"拒否 --say：鯖に接続していません"_s);
        m_link->accept();
        ManualTimeSource::deliverPostedEvents();
        refused(settings::HandOverCommand::Broadcast, u"夜"_s, CommandStatus::NotLoggedIn,
                u"拒否 --broadcast：ログインしていません"_s);
        logIn();
        refused(settings::HandOverCommand::Broadcast, u"昼"_s, CommandStatus::UnknownList,
                u"拒否 --broadcast：リストがありません「昼」"_s);
        refused(settings::HandOverCommand::Stop, {}, CommandStatus::NoBroadcast,
                u"拒否 --stop：放送していません"_s);
        QCOMPARE(run(settings::HandOverCommand::Broadcast, u"夜"_s).status, CommandStatus::Ok);
        refused(settings::HandOverCommand::Broadcast, u"朝"_s, CommandStatus::BroadcastUnderWay,
                u"拒否 --broadcast：放送中です"_s);
        QCOMPARE(m_console->currentListName(), u"夜"_s);

        // The link breaks under the broadcast: it waits, and only stopping it is allowed.
        m_link->drop();
        ManualTimeSource::deliverPostedEvents();
        refused(settings::HandOverCommand::Say, u"x"_s, CommandStatus::NotLoggedIn,
                u"拒否 --say：鯖に接続していません"_s);
        QCOMPARE(status().value(u"broadcast"_s).toObject().value(u"paused"_s).toBool(), true);
        QCOMPARE(run(settings::HandOverCommand::Stop).status, CommandStatus::Ok);
        QCOMPARE(m_commands->controls().last(), ControlState::LinkLost);
    }

    void unreadableListStartsNothing()
    {
        start();
        logIn();
        QVERIFY(QFile::remove(m_folder->dataDir().filePath(u"夜"_s)));
        QCOMPARE(run(settings::HandOverCommand::Broadcast, u"夜"_s).status,
                 CommandStatus::UnknownList);
        QVERIFY(!m_console->status().broadcast);
        QCOMPARE(m_console->currentList(), -1);
    }

    void statusReportsWhereTheConsoleStands()
    {
        settings::IniSettings settings(m_folder->ini);
        QVERIFY(settings.write(u"TimeSig"_s, u"30"_s, u"ex"_s));
        start();
        QVERIFY(
            timesignal::WriteTimeSignalFile(m_folder->dataDir(), {{u"18:00:00"_s, true, u"夜"_s}})
                .ok());
        m_console->schedule().reloadSchedule(); // as the file watcher does
        QJsonObject s = status();
        QCOMPARE(s.value(u"link"_s).toString(), u"connecting"_s);
        QCOMPARE(s.value(u"players"_s), QJsonValue(QJsonValue::Null));
        logIn();
        s = status();
        QCOMPARE(s.value(u"link"_s).toString(), u"logged_in"_s);
        QCOMPARE(s.value(u"players"_s).toInt(), 12);
        QCOMPARE(s.value(u"next_signal"_s).toObject(),
                 (QJsonObject{{u"at"_s, u"2026-12-09T12:30:00"_s}, {u"text"_s, u"12時30分"_s}}));
        QCOMPARE(s.value(u"next_list"_s).toObject(),
                 (QJsonObject{{u"at"_s, u"2026-12-09T18:00:00"_s}, {u"list"_s, u"夜"_s}}));
        m_console->setTimeSignalEnabled(false);
        s = status();
        QCOMPARE(s.value(u"time_signal_enabled"_s).toBool(), false);
        QCOMPARE(s.value(u"next_signal"_s), QJsonValue(QJsonValue::Null));
    }
};

QTEST_GUILESS_MAIN(TestCommandDispatcher)
#include "TestCommandDispatcher.moc"
