#include "ConsoleLogin.h"
#include "FakeConnection.h"
#include "FileBytes.h"
#include "FrameReader.h"
#include "ManualTimeSource.h"
#include "ProgramFolder.h"
#include "ScriptedPrompts.h"

#include "broadcast/MessageListStore.h"
#include "console/ConsoleController.h"
#include "console/StatusTexts.h"
#include "protocol/AccountMessages.h"
#include "protocol/SessionMessages.h"
#include "settings/IniSettings.h"
#include "timesignal/TimeSignalFile.h"

#include <QSaveFile>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace tolvane;
using namespace tolvane::console;
using namespace Qt::StringLiterals;
using testsupport::FakeConnection;
using testsupport::ManualTimeSource;
using testsupport::ScriptedPrompts;
using Notice = OperatorPrompts::Notice;
using Question = OperatorPrompts::Question;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

} // namespace

// The console's glue without a window, a network or real time.
class TestConsoleController : public QObject
{
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFolder> m_folder;
    std::unique_ptr<ManualTimeSource> m_time;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<ConsoleController> m_console;
    FakeConnection* m_link = nullptr;
    QList<ControlState> m_states;

    QString program() const { return m_folder->program; }
    QString ini() const { return m_folder->ini; }
    QDir dataDir() const { return m_folder->dataDir(); }
    void makeDataDirectory(const QMap<QString, QStringList>& lists = {})
    {
        m_folder->makeDataDirectory(lists);
    }
    QStringList logLines() const { return m_folder->logLines(); }

    // Starts the console as the window does, and lets its first notifications run.
    void start(bool autoLogin = false)
    {
        auto link = std::make_unique<FakeConnection>();
        m_link = link.get();
        m_console = std::make_unique<ConsoleController>(
            ConsoleOptions{ini(), program(), autoLogin, protocol::kServerPort, {}}, *m_prompts,
            m_time.get(), std::move(link));
        connect(m_console.get(), &ConsoleController::controlStateChanged, this,
                [this](ControlState s) { m_states.append(s); });
        m_console->initialise();
        ManualTimeSource::deliverPostedEvents();
    }

    void logIn() { testsupport::logInAndForgetFrames(*m_link, *m_console); }

    void select(const QString& name)
    {
        const int index = int(m_console->listNames().indexOf(name));
        QVERIFY(index >= 0);
        m_console->selectList(index);
    }

    QList<QByteArray> broadcasts() const { return m_link->sentWithCommand(protocol::CmdBroadcast); }

    // The texts of the broadcast requests sent, without their terminators.
    QStringList broadcastTexts() const
    {
        QStringList out;
        for (const QByteArray& f : broadcasts())
            out.append(testsupport::broadcastText(f));
        return out;
    }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<testsupport::ProgramFolder>();
        m_time = std::make_unique<ManualTimeSource>();
        m_prompts = std::make_unique<ScriptedPrompts>();
        m_states.clear();
    }
    void cleanup()
    {
        QVERIFY2(m_prompts->done(), "a scripted question or notice never came");
        m_console.reset();
        m_folder.reset();
    }

    void firstStartTellsInOrderAndFindsTheSample()
    {
        m_prompts->expectNotice(Notice::DataDirectoryCreated);
        m_prompts->expectNotice(Notice::SampleListWritten);
        m_prompts->expectNotice(Notice::TimeSignalFileWritten);
        start();
        QCOMPARE(m_console->listNames(), QStringList{u"試験放送♪"_s});
        QCOMPARE(m_console->currentList(), -1);
        QVERIFY(dataDir().exists(u"TimeSignal.cfg"_s));
        QCOMPARE(m_states, QList<ControlState>{ControlState::LoggedOut});
        QCOMPARE(m_link->attempts.size(), 1);
        QCOMPARE(m_link->attempts[0].host, u"127.0.0.1"_s);
        QCOMPARE(m_console->statusText(), status::kConnecting);
        m_link->accept();
        QCOMPARE(m_console->statusText(), u"ログインしていません・・"_s);
        // A start writes nothing to the settings file.
        QVERIFY(!QFile::exists(ini()));
    }

    void autoLoginThenPollsEveryFiveSeconds()
    {
        makeDataDirectory();
        start(true);
        m_link->accept();
        QCOMPARE(m_link->sent.size(), 1);
        QCOMPARE(m_link->sent[0].toHex(),
                 QByteArray("15000000112712007600650078006f006400720069006d00000000"));
        m_time->advance(20000);
        QVERIFY(m_link->sentWithCommand(protocol::CmdPlayerCount).isEmpty()); // not logged in yet
        m_link->reply(protocol::buildLoginResult(1));
        ManualTimeSource::deliverPostedEvents();
        QCOMPARE(m_states.last(), ControlState::LoggedIn);
        QCOMPARE(m_link->sentWithCommand(protocol::CmdPlayerCount).size(), 1); // at once
        QCOMPARE(m_link->sent.last().toHex(), QByteArray("00000000e12e"));
        QSignalSpy status(m_console.get(), &ConsoleController::statusTextChanged);
        m_link->reply(hex("08000000e22e0100000007000000"));
        ManualTimeSource::deliverPostedEvents();
        QCOMPARE(status.size(), 1);
        QCOMPARE(m_console->statusText(), u"現在のプレイヤー数：7人"_s);
        m_link->reply(protocol::buildLoginResult(0)); // nobody asked: nothing changes
        ManualTimeSource::deliverPostedEvents();
        QCOMPARE(m_console->statusText(), u"現在のプレイヤー数：7人"_s);
        // The poll runs on its own five-second beat, not from the login.
        testsupport::answerAsServer(*m_link);
        m_time->advance(30000);
        QCOMPARE(m_link->sentWithCommand(protocol::CmdPlayerCount).size(), 7);
    }

    void refusedLoginStartsNoPolls()
    {
        makeDataDirectory();
        start(true);
        m_link->accept();
        m_link->reply(protocol::buildLoginResult(0));
        m_link->reply(protocol::buildPlayerCountReply(1, 7)); // read, the login stays refused
        ManualTimeSource::deliverPostedEvents();
        QCOMPARE(m_console->statusText(), u"現在のプレイヤー数：7人"_s);
        QCOMPARE(m_console->linkState(), LinkState::Refused);
        QCOMPARE(m_states, QList<ControlState>{ControlState::LoggedOut});
        m_time->advance(10000);
        QVERIFY(m_link->sentWithCommand(protocol::CmdPlayerCount).isEmpty());
    }

    void liveMessageIsCutAndTheBoxEmptied()
    {
        makeDataDirectory();
        start();
        m_link->accept();
        QSignalSpy live(m_console.get(), &ConsoleController::liveTextChanged);
        m_console->SendLiveMessage(u"こんにちは"_s);
        m_console->SendLiveMessage(QString()); // an empty box sends N = 2
        m_console->SendLiveMessage(u"12345678901234567890"_s);
        QCOMPARE(m_link->sent.size(), 3);
        QCOMPARE(m_link->sent[0].toHex(), QByteArray("0e000000eb2e0c00533093306b3061306f300000"));
        QCOMPARE(m_link->sent[1].toHex(), QByteArray("04000000eb2e02000000"));
        QCOMPARE(m_link->sent[2].toHex(), QByteArray("26000000eb2e2400"
                                                     "310032003300340035003600370038003900"
                                                     "300031003200330034003500360037003800"));
        QCOMPARE(live.size(), 3);
        QCOMPARE(live.last().at(0).toString(), QString());
        m_console->setClearAfterSend(false);
        m_console->SendLiveMessage(u"x"_s);
        QCOMPARE(live.size(), 3);
        QCOMPARE(m_console->liveText(), u"x"_s);
    }

    void listBroadcastPacesLinesAndEnds()
    {
        // A list line goes out cut at 72 bytes.
        const QString longLine(40, u'c');
        makeDataDirectory({{u"three"_s, {u"a"_s, u"b"_s, longLine}}});
        start();
        logIn();
        m_prompts->expectNotice(Notice::NoListToBroadcast);
        m_console->startChosenList();
        QVERIFY(!m_console->status().broadcast);
        select(u"three"_s);
        QCOMPARE(m_console->lines(), (QStringList{u"a"_s, u"b"_s, longLine}));
        QSignalSpy current(m_console.get(), &ConsoleController::currentLineChanged);
        m_console->startChosenList();
        ManualTimeSource::deliverPostedEvents();
        QCOMPARE(m_states.last(), ControlState::Broadcasting);
        m_time->advance(1499);
        QVERIFY(broadcasts().isEmpty()); // nothing at the start
        m_time->advance(1);
        QCOMPARE(broadcasts().size(), 1);
        QCOMPARE(current.last().at(0).toInt(), 0);
        m_time->advance(3000);
        const auto frames = broadcasts();
        QCOMPARE(frames.size(), 3);
        QCOMPARE(frames[0].toHex(), QByteArray("06000000eb2e040061000000"));
        QCOMPARE(frames[1].toHex(), QByteArray("06000000eb2e040062000000"));
        QCOMPARE(frames[2].toHex(), "4a000000eb2e4800" + QByteArray("6300").repeated(36));
        QCOMPARE(current.last().at(0).toInt(), 2);
        QCOMPARE(m_states.last(), ControlState::BroadcastOver);
        m_time->advance(10000);
        QCOMPARE(broadcasts().size(), 3);
    }

    void stopThenStartSendsTheFirstLineAfterAFullPeriod()
    {
        makeDataDirectory({{u"two"_s, {u"a"_s, u"b"_s}}});
        start();
        logIn();
        select(u"two"_s);
        m_console->StartBroadcast();
        m_time->advance(1000);
        m_console->StopBroadcast();
        m_time->advance(1000);
        QVERIFY(broadcasts().isEmpty());
        m_console->StartBroadcast();
        m_time->advance(1499);
        QVERIFY(broadcasts().isEmpty());
        m_time->advance(1);
        QCOMPARE(broadcasts().size(), 1);
        QCOMPARE(broadcasts()[0].toHex(), QByteArray("06000000eb2e040061000000"));
    }

    void deletingTheLoadedListDuringABroadcastEndsIt()
    {
        makeDataDirectory({{u"two"_s, {u"a"_s, u"b"_s}}});
        start();
        logIn();
        select(u"two"_s);
        m_console->StartBroadcast();
        m_prompts->expectQuestion(Question::DeleteList, true);
        m_console->DeleteSelectedList();
        QVERIFY(!dataDir().exists(u"two"_s));
        QVERIFY(m_console->lines().isEmpty());
        m_time->advance(1500);
        QVERIFY(!m_console->status().broadcast);
        QCOMPARE(m_states.last(), ControlState::BroadcastOver);
        QVERIFY(broadcasts().isEmpty());
    }

    void deleteAsksFirstAndNeedsASelection()
    {
        makeDataDirectory({{u"keep"_s, {u"k"_s}}, {u"go"_s, {u"g"_s}}});
        start();
        select(u"go"_s);
        m_prompts->expectQuestion(Question::DeleteList, false);
        m_console->DeleteSelectedList();
        QVERIFY(dataDir().exists(u"go"_s));
        m_prompts->expectQuestion(Question::DeleteList, true);
        m_console->DeleteSelectedList();
        QVERIFY(!dataDir().exists(u"go"_s));
        QCOMPARE(m_console->currentList(), -1);
        // With nothing selected no file is touched, after the question.
        m_prompts->expectQuestion(Question::DeleteList, true);
        m_prompts->expectNotice(Notice::NoListSelected);
        m_console->DeleteSelectedList();
        QVERIFY(dataDir().exists(u"keep"_s));
    }

    void unreadableListIsReportedAndNotShown()
    {
        makeDataDirectory({{u"gone"_s, {u"x"_s}}});
        start();
        select(u"gone"_s);
        QCOMPARE(m_console->lines().size(), 1);
        QVERIFY(QFile::remove(dataDir().filePath(u"gone"_s)));
        m_prompts->expectNotice(Notice::ListUnreadable, u"gone"_s);
        m_console->LoadSelectedList();
        QVERIFY(m_console->lines().isEmpty());
    }

    void shortcutsBindPressAndLoseTheirList()
    {
        makeDataDirectory({{u"朝"_s, {u"x"_s, u"y"_s}}});
        start();
        logIn();
        m_prompts->expectNotice(Notice::NoListToBind);
        m_console->BindShortcut(3);
        select(u"朝"_s);
        QSignalSpy tips(m_console.get(), &ConsoleController::shortcutChanged);
        m_prompts->expectQuestion(Question::BindShortcut, true, 3);
        m_console->BindShortcut(3);
        QCOMPARE(settings::IniSettings(ini()).read(u"SCBn"_s, u"Btn3"_s), u"朝"_s);
        QCOMPARE(tips.value(tips.size() - 1), (QVariantList{3, u"朝"_s}));

        // Display only (the state after start): a press loads and sends nothing.
        m_console->reselectList(QString());
        m_console->PressShortcut(3);
        QCOMPARE(m_console->currentListName(), u"朝"_s);
        QCOMPARE(m_console->lines().size(), 2);
        QVERIFY(!m_console->status().broadcast);
        // Unticked: the press also starts the broadcast; its first line 1500 ms later.
        m_console->setDisplayOnly(false);
        m_console->PressShortcut(3);
        QVERIFY(m_console->status().broadcast.has_value());
        m_time->advance(1500);
        QCOMPARE(broadcasts().size(), 1);
        m_console->StopBroadcast();

        QVERIFY(QFile::remove(dataDir().filePath(u"朝"_s)));
        m_console->lists().rescan(); // as the file watcher does
        m_prompts->expectNotice(Notice::ShortcutListMissing);
        m_prompts->expectNotice(Notice::ShortcutReleased);
        m_console->PressShortcut(3);
        QCOMPARE(tips.value(tips.size() - 1), (QVariantList{3, QString()}));
        QVERIFY(!m_console->shortcuts().isBound(3));
        // Only in memory: the file still names the list.
        QCOMPARE(settings::IniSettings(ini()).read(u"SCBn"_s, u"Btn3"_s), u"朝"_s);
        m_console->PressShortcut(3); // unbound now: nothing at all

        m_prompts->expectQuestion(Question::UnbindShortcut, false, 3);
        m_console->UnbindShortcut(3);
        QCOMPARE(settings::IniSettings(ini()).read(u"SCBn"_s, u"Btn3"_s), u"朝"_s);
        m_prompts->expectQuestion(Question::UnbindShortcut, true, 3);
        m_console->UnbindShortcut(3);
        QCOMPARE(settings::IniSettings(ini()).read(u"SCBn"_s, u"Btn3"_s), u"none"_s);
    }

    void bindingsComeBackAtStart()
    {
        makeDataDirectory({{u"abc"_s, {u"x"_s}}, {u"abcd"_s, {u"y"_s}}});
        settings::IniSettings settings(ini());
        QVERIFY(settings.write(u"SCBn"_s, u"Btn1"_s, u"abc"_s));
        QVERIFY(settings.write(u"SCBn"_s, u"Btn2"_s, u"gone"_s));
        start();
        QCOMPARE(m_console->shortcuts().boundName(1), u"abc"_s);
        QVERIFY(!m_console->shortcuts().isBound(2));
        QVERIFY(!m_console->shortcuts().isBound(3));
    }

    void scheduleAndHourlySignalOnTheClock()
    {
        makeDataDirectory({{u"朝の放送"_s, {u"x"_s, u"y"_s}}});
        QVERIFY(timesignal::WriteTimeSignalFile(dataDir(), {{u"07:00:01"_s, true, u"朝の放送"_s},
                                                            {u"07:00:01"_s, false, u"朝の放送"_s}})
                    .ok());
        settings::IniSettings settings(ini());
        QVERIFY(settings.write(u"TimeSig"_s, u"00"_s, u"ex"_s));
        QVERIFY(settings.write(u"TimeSig"_s, u"00H"_s, u"A"_s));
        QVERIFY(settings.write(u"TimeSig"_s, u"00F"_s, u"B"_s));
        m_time = std::make_unique<ManualTimeSource>(
            QDateTime(QDate(2026, 12, 9), QTime(6, 59, 59, 500)));
        start();
        m_link->accept(); // not logged in: the scheduler does not look at the login
        m_time->advance(600);
        QCOMPARE(broadcasts().size(), 1);
        QCOMPARE(broadcasts()[0].toHex(), QByteArray("0e000000eb2e0c00410030003700426642000000"));
        m_time->advance(1000);
        QVERIFY(m_console->status().broadcast.has_value());
        QCOMPARE(m_console->currentListName(), u"朝の放送"_s);
        m_time->advance(4000);
        QCOMPARE(broadcasts().size(), 3);
        QCOMPARE(broadcasts()[1].toHex(), QByteArray("06000000eb2e040078000000"));
        QCOMPARE(broadcasts()[2].toHex(), QByteArray("06000000eb2e040079000000"));
        QVERIFY(!m_console->status().broadcast);
        // Unticked, the scheduler sends nothing.
        m_console->setTimeSignalEnabled(false);
        m_time->advanceTo(QTime(8, 0, 1));
        QCOMPARE(broadcasts().size(), 3);
    }

    // A whole day of pacing, polls and schedule on the manual clock, in a fraction of
    // a second: every signal once, every entry once, every poll on its beat.
    void aWholeDay()
    {
        makeDataDirectory({{u"昼"_s, {u"a"_s, u"b"_s, u"c"_s}}});
        QVERIFY(timesignal::WriteTimeSignalFile(dataDir(), {{u"00:00:00"_s, true, u"昼"_s},
                                                            {u"12:34:56"_s, true, u"昼"_s},
                                                            {u"23:59:59"_s, true, u"昼"_s}})
                    .ok());
        settings::IniSettings settings(ini());
        QVERIFY(settings.write(u"TimeSig"_s, u"00"_s, u"ex"_s));
        QVERIFY(settings.write(u"TimeSig"_s, u"30"_s, u"ex"_s));
        m_time = std::make_unique<ManualTimeSource>(QDateTime(QDate(2026, 12, 9), QTime(0, 0)));
        start();
        logIn();
        m_time->advance(24 * 3600 * 1000 - 1); // to 23:59:59.999
        int hourly = 0;
        int halfHourly = 0;
        int lines = 0;
        for (const QString& text : broadcastTexts()) {
            if (text.endsWith(u"分"_s))
                ++halfHourly;
            else if (text.endsWith(u"時"_s))
                ++hourly;
            else
                ++lines;
        }
        QCOMPARE(hourly, 24);
        QCOMPARE(halfHourly, 24);
        // 00:00:00 and 12:34:56; the lines of 23:59:59 would go out after midnight.
        QCOMPARE(lines, 3 * 2);
        // Every five seconds from the start; the one the login asked for was cleared.
        QCOMPARE(m_link->sentWithCommand(protocol::CmdPlayerCount).size(), 24 * 3600 / 5 - 1);
    }

    void accountRequestsAndReplies()
    {
        makeDataDirectory();
        start();
        m_link->accept();
        AccountService& accounts = m_console->accountService();
        QSignalSpy lists(&accounts, &AccountService::listReceived);
        QSignalSpy details(&accounts, &AccountService::detailsReceived);
        accounts.requestList();
        accounts.requestDetails(protocol::AccountId()); // names no account: nothing
        QCOMPARE(m_link->sent.size(), 1);
        QCOMPARE(m_link->sent[0].toHex(), QByteArray("000000001b27"));
        m_link->reply(hex("080000001c27"
                          "0000000000000000"));
        m_link->reply(hex("040000003a27"
                          "00000000")); // a short detail reply
        ManualTimeSource::deliverPostedEvents();
        QCOMPARE(lists.size(), 1);
        QCOMPARE(lists[0][0].toByteArray().toHex(), QByteArray("0000000000000000"));
        QCOMPARE(details.size(), 1);
    }

    // --- The link ---------------------------------------------------------

    void aFailedFirstConnectionIsToldOnceAndTriedAgain()
    {
        makeDataDirectory();
        start(true);
        m_prompts->expectNotice(Notice::ConnectionFailed);
        m_link->refuse();
        QCOMPARE(m_console->statusText(), status::kCannotConnect);
        QCOMPARE(m_link->sent.size(), 0); // the -auto login found no socket
        // Again after 1 and 2 s, without a box.
        m_time->advance(1000);
        m_link->refuse();
        QCOMPARE(m_console->statusText(), status::kCannotConnect);
        m_time->advance(2000);
        QCOMPARE(m_link->attempts.size(), 3);
        QCOMPARE(m_console->statusText(), status::kConnecting);
        m_link->accept(); // and -auto logs in as soon as it works
        QCOMPARE(m_link->sentWithCommand(protocol::CmdLogin).size(), 1);
        QCOMPARE(logLines(), (QStringList{u"接続開始 127.0.0.1:10010"_s,
                                          u"接続できません：refused"_s, u"接続しました"_s}));
    }

    void aLostLinkIsMadeAgainAndLoggedIn()
    {
        makeDataDirectory();
        start();
        logIn();
        m_link->drop();
        ManualTimeSource::deliverPostedEvents();
        QCOMPARE(m_console->linkState(), LinkState::Lost);
        QCOMPARE(m_console->statusText(), status::kLost); // no player count left on show
        m_time->advance(0);
        QCOMPARE(m_states.last(), ControlState::LinkLost);
        QCOMPARE(m_link->attempts.size(), 2); // at once
        m_link->accept();
        QCOMPARE(m_link->sent.size(), 1); // logged in again without -auto
        QCOMPARE(m_link->sent[0].toHex(),
                 QByteArray("15000000112712007600650078006f006400720069006d00000000"));
        ManualTimeSource::deliverPostedEvents();
        QCOMPARE(m_states.last(), ControlState::LoggedIn);
        QCOMPARE(m_console->statusText(), u"現在のプレイヤー数：12人"_s);
        QCOMPARE(logLines().mid(2),
                 (QStringList{u"ログインしました"_s, u"切断：鯖が接続を閉じました"_s,
                              u"接続開始 127.0.0.1:10010"_s, u"再接続しました"_s,
                              u"ログインしました"_s}));
    }

    void aRefusedLoginIsShownAndNeverRetriedByItself()
    {
        makeDataDirectory();
        start(true);
        testsupport::answerAsServer(*m_link, 0);
        m_link->accept();
        ManualTimeSource::deliverPostedEvents();
        QCOMPARE(m_console->statusText(), status::kLoginRefused);
        QCOMPARE(logLines().last(), u"ログインを拒否されました（結果 0）"_s);
        m_link->drop();
        ManualTimeSource::deliverPostedEvents();
        m_time->advance(60000);
        m_link->accept(); // a new connection, and no login of its own
        m_time->advance(60000);
        QCOMPARE(m_link->sentWithCommand(protocol::CmdLogin).size(), 1);
        QCOMPARE(m_console->statusText(), status::kLoginRefused);
        // Accepted this time; the player count has not come yet.
        m_link->onRequest = [this](const protocol::Frame& f) {
            if (f.command == protocol::CmdLogin)
                m_link->reply(protocol::buildLoginResult(1));
        };
        m_console->login(); // the operator tries again
        ManualTimeSource::deliverPostedEvents();
        QCOMPARE(m_link->sentWithCommand(protocol::CmdLogin).size(), 2);
        QCOMPARE(m_console->linkState(), LinkState::LoggedIn);
        QCOMPARE(m_console->statusText(), status::kNotLoggedIn); // no longer "refused"
    }

    void aBroadcastWaitsForTheLinkAndGoesOnFromTheLineUnderWay()
    {
        makeDataDirectory({{u"five"_s, {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}}});
        start();
        logIn();
        select(u"five"_s);
        m_console->StartBroadcast();
        m_time->advance(3000);
        QCOMPARE(broadcastTexts(), (QStringList{u"1"_s, u"2"_s}));
        m_link->drop();
        ManualTimeSource::deliverPostedEvents();
        m_time->advance(0);
        QCOMPARE(m_states.last(), ControlState::LinkLostPaused);
        QVERIFY(m_console->status().broadcast->paused);
        m_link->refuse();
        m_time->advance(5000); // nothing is sent into the gap
        m_link->accept();
        ManualTimeSource::deliverPostedEvents();
        QCOMPARE(m_states.mid(m_states.size() - 2),
                 (QList<ControlState>{ControlState::LoggedIn, ControlState::Broadcasting}));
        m_time->advance(1499);
        QCOMPARE(broadcastTexts().size(), 2);
        m_time->advance(1 + 3 * 1500);
        // The line under way when the link broke goes again: one repeated, none lost.
        QCOMPARE(broadcastTexts(), (QStringList{u"1"_s, u"2"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));
        QCOMPARE(m_states.last(), ControlState::BroadcastOver);
        QVERIFY(logLines().contains(u"送信 リスト「five」 5/5：5"_s));
    }

    void stopDuringThePauseEndsTheBroadcast()
    {
        makeDataDirectory({{u"two"_s, {u"a"_s, u"b"_s}}});
        start();
        logIn();
        select(u"two"_s);
        m_console->StartBroadcast();
        m_link->drop();
        ManualTimeSource::deliverPostedEvents();
        m_console->StopBroadcast();
        m_time->advance(0);
        QCOMPARE(m_states.last(), ControlState::LinkLost);
        m_link->accept();
        m_time->advance(10000);
        QVERIFY(broadcasts().isEmpty());
        QCOMPARE(m_states.last(), ControlState::LoggedIn);
    }

    void aLiveMessageWithNoLinkStaysInTheBox()
    {
        makeDataDirectory();
        start();
        logIn();
        m_link->drop();
        ManualTimeSource::deliverPostedEvents();
        QSignalSpy live(m_console.get(), &ConsoleController::liveTextChanged);
        m_console->SendLiveMessage(u"聞こえますか"_s);
        QCOMPARE(live.size(), 0);
        QCOMPARE(m_console->liveText(), u"聞こえますか"_s);
        QCOMPARE(m_console->statusText(), status::kLiveNotSent);
        QCOMPARE(logLines().last(), u"未送信 生声：聞こえますか"_s);
    }

    void signalsAndListsDueWhileDownAreMissedNotSentLate()
    {
        makeDataDirectory({{u"朝"_s, {u"x"_s}}});
        QVERIFY(timesignal::WriteTimeSignalFile(dataDir(), {{u"07:00:10"_s, true, u"朝"_s}}).ok());
        QVERIFY(settings::IniSettings(ini()).write(u"TimeSig"_s, u"00"_s, u"ex"_s));
        m_time = std::make_unique<ManualTimeSource>(QDateTime(QDate(2026, 12, 9), QTime(6, 59)));
        start();
        logIn();
        m_link->drop();
        ManualTimeSource::deliverPostedEvents();
        m_link->onRequest = nullptr;
        m_time->advance(3000); // the retry fails too
        m_link->refuse();
        m_time->advanceTo(QTime(7, 0, 1));
        QCOMPARE(m_console->statusText(), status::kSignalMissed);
        m_time->advanceTo(QTime(7, 0, 11));
        QCOMPARE(m_console->statusText(), status::kListMissed);
        QVERIFY(!m_console->status().broadcast);
        m_time->advance(10000);
        m_link->accept();
        m_time->advance(60000);
        QVERIFY(broadcasts().isEmpty());
        const QStringList log = logLines();
        QVERIFY(log.contains(u"未送信 時報：07時"_s));
        QVERIFY(log.contains(u"未送信 予約放送「朝」 07:00:10"_s));
    }

    void accountRequestsWithNoLinkAreToldAndLogged()
    {
        makeDataDirectory();
        start();
        logIn();
        AccountService& accounts = m_console->accountService();
        const auto alice = protocol::AccountId::fromText(u"alice"_s);
        const auto bob = protocol::AccountId::fromText(u"bob"_s);
        accounts.changeName(bob, u"勇者"_s);
        accounts.changeAuthority(alice, protocol::Authority::Gm);
        accounts.changePassword(alice, u"秘密の新パスワード"_s);
        accounts.create(u"dave"_s, u"秘密のパスワード"_s);
        QCOMPARE(m_link->sentWithCommand(protocol::CmdAccountChange).size(), 3);
        m_link->drop();
        ManualTimeSource::deliverPostedEvents();
        m_prompts->expectNotice(Notice::AccountRequestNotSent);
        accounts.create(u"carol"_s, u"秘密のパスワード"_s);
        m_prompts->expectNotice(Notice::AccountRequestNotSent);
        accounts.changePassword(bob, u"秘密の新パスワード"_s);
        const QStringList log = logLines();
        QVERIFY(log.contains(u"アカウント キャラ名変更 ID=「bob」 名前=「勇者」"_s));
        QVERIFY(log.contains(u"アカウント 権限変更 ID=「alice」 権限=GM"_s));
        QVERIFY(log.contains(u"アカウント パスワード変更 ID=「alice」"_s));
        QVERIFY(log.contains(u"アカウント 作成 ID=「dave」"_s));
        QVERIFY(log.contains(u"未送信 アカウント 作成 ID=「carol」"_s));
        QCOMPARE(log.last(), u"未送信 アカウント パスワード変更 ID=「bob」"_s);
        // Nothing secret is ever written down: no password, new or old, sent or not.
        const QString all = log.join(u'\n');
        QVERIFY(!all.contains(u"秘密"_s));
        QVERIFY(!all.contains(u"vexodrim"_s));
    }

    // --- Files changed on disk ----------------------------------------------
    // Written here as an editor or a file manager would; the console's own saves
    // before them must never be logged as changes by hand.

    void listsCopiedInOrTakenOutKeepTheChoiceByName()
    {
        makeDataDirectory({{u"朝"_s, {u"x"_s}}, {u"夜"_s, {u"y"_s, u"z"_s}}});
        start();
        logIn();
        select(u"夜"_s);
        m_console->StartBroadcast();
        QVERIFY(m_console->lists().save(u"昼"_s, {u"a"_s}));
        QCOMPARE(m_console->currentListName(), u"夜"_s);
        QVERIFY(testsupport::writeBytes(dataDir().filePath(u"copied.txt"_s), "1\r\nc\r\n"));
        QTRY_VERIFY(m_console->listNames().contains(u"copied.txt"_s));
        QCOMPARE(m_console->currentListName(), u"夜"_s);
        // The chosen list goes: nothing is chosen, and the broadcast keeps its lines.
        QVERIFY(QFile::remove(dataDir().filePath(u"夜"_s)));
        QTRY_VERIFY(!m_console->listNames().contains(u"夜"_s));
        QCOMPARE(m_console->currentList(), -1);
        m_time->advance(3000);
        QCOMPARE(broadcastTexts(), (QStringList{u"y"_s, u"z"_s}));
        const QStringList log = logLines();
        QCOMPARE(log.filter(u"外部変更"_s), (QStringList{u"外部変更 リスト追加「copied.txt」"_s,
                                                         u"外部変更 リスト削除「夜」"_s}));
    }

    void aScheduleEditedByHandTakesEffectAtOnce()
    {
        makeDataDirectory({{u"morning"_s, {u"x"_s}}});
        m_time = std::make_unique<ManualTimeSource>(QDateTime(QDate(2026, 12, 9), QTime(7, 0)));
        start();
        logIn();
        QVERIFY(m_console->schedule().saveSchedule({{u"07:00:05"_s, true, u"morning"_s}}, {}));
        QCOMPARE(m_console->status().nextList->at.time(), QTime(7, 0, 5));
        // Replaced, as most editors save, then written into: the watch follows the new file.
        const QString path = dataDir().filePath(u"TimeSignal.cfg"_s);
        QSaveFile replaced(path);
        QVERIFY(replaced.open(QIODevice::WriteOnly));
        replaced.write("2\r\n07:00:05,0,morning\r\n07:00:20,1,morning\r\n");
        QVERIFY(replaced.commit());
        QTRY_COMPARE(m_console->status().nextList->at.time(), QTime(7, 0, 20));
        QVERIFY(testsupport::writeBytes(path, "3\r\n07:00:05,0,morning\r\n07:00:10,1,morning\r\n"
                                              "07:00:20,0,morning\r\n"));
        QTRY_COMPARE(m_console->status().nextList->at.time(), QTime(7, 0, 10));
        m_time->advanceTo(QTime(7, 0, 11));
        QVERIFY(m_console->status().broadcast.has_value());
        m_time->advance(1500);
        QCOMPARE(broadcastTexts(), QStringList{u"x"_s}); // from 07:00:10 only
        QCOMPARE(logLines().filter(u"外部変更"_s),
                 (QStringList{u"外部変更 時報設定ファイル（予約 2件）"_s,
                              u"外部変更 時報設定ファイル（予約 3件）"_s}));
    }

    void settingsEditedByHandArePickedUp()
    {
        makeDataDirectory({{u"朝"_s, {u"x"_s}}});
        start();
        m_link->accept(); // not logged in yet
        select(u"朝"_s);
        m_prompts->expectQuestion(Question::BindShortcut, true, 3);
        m_console->BindShortcut(3);
        QVERIFY(testsupport::writeBytes(ini(), "[Velmira]\r\nHostIP=10.0.0.9\r\nAdminPW=neu\r\n"
                                               "[TimeSig]\r\n00=ex\r\n00H=A\r\n"
                                               "[SCBn]\r\nBtn2=朝\r\nBtn3=朝\r\n"));
        QTRY_COMPARE(m_console->shortcuts().boundName(2), u"朝"_s);
        // The hourly signal is on, and its text starts with the new head.
        QVERIFY(m_console->status().nextSignal->text.startsWith(u"A"_s));
        QCOMPARE(
            logLines().filter(u"外部変更"_s),
            (QStringList{u"外部変更 時報の設定（00, 00H）"_s, u"外部変更 短縮ボタン（2）「朝」"_s,
                         u"外部変更 鯖アドレス 10.0.0.9（次の起動から）"_s,
                         u"外部変更 管理者パスワード（次のログインから）"_s}));
        // The address counts from the next start; the password from the next login.
        QCOMPARE(m_link->attempts.size(), 1);
        m_console->login();
        QCOMPARE(protocol::parseLoginRequest(
                     m_link->sentWithCommand(protocol::CmdLogin).last().sliced(6))
                     .value_or(u"?"_s),
                 u"neu"_s);
        QVERIFY(!logLines().join(u'\n').contains(u"neu"_s));

        // Emptied, as an editor does before it writes: nothing falls back to its default.
        QVERIFY(testsupport::writeBytes(ini(), {}));
        QVERIFY(testsupport::writeBytes(dataDir().filePath(u"later"_s), "0\r\n"));
        QTRY_VERIFY(m_console->listNames().contains(u"later"_s));
        QCOMPARE(m_console->shortcuts().boundName(2), u"朝"_s);
        QCOMPARE(logLines().filter(u"外部変更"_s).size(), 5);
    }

    void aLogThatCannotBeWrittenIsToldOnce()
    {
        makeDataDirectory();
        QFile blocker(program() + u"/TolvaneLog"_s); // a file where the folder would be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        start();
        m_link->accept();
        QCOMPARE(m_console->statusText(), status::kLogFailed);
        m_time->advance(ConsoleController::kNoticeMs);
        QCOMPARE(m_console->statusText(), status::kNotLoggedIn);
        m_console->SendLiveMessage(u"x"_s); // not told again
        QCOMPARE(m_console->statusText(), status::kNotLoggedIn);
    }
};

QTEST_GUILESS_MAIN(TestConsoleController)
#include "TestConsoleController.moc"
