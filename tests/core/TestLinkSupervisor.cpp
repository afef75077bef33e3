#include "FakeConnection.h"
#include "ManualTimeSource.h"

#include "console/LinkSupervisor.h"
#include "protocol/ServerPort.h"
#include "protocol/SessionMessages.h"

#include <QMetaEnum>
#include <QTest>

#include <memory>

using namespace tolvane;
using namespace tolvane::console;
using namespace Qt::StringLiterals;
using testsupport::FakeConnection;
using testsupport::ManualTimeSource;
using Event = LinkSupervisor::Event;

namespace {

template <typename E> QString nameOf(E value)
{
    return QString::fromLatin1(QMetaEnum::fromType<E>().valueToKey(int(value)));
}

} // namespace

// The link's state machine on a scripted connection and a manual clock: every event
// in every state, then scenarios that bring the link to a state through what the
// connection, the clock and the operator do, comparing the state reached, the
// signals on the way, the frames sent and the connection attempts made.
class TestLinkSupervisor : public QObject
{
    Q_OBJECT

    std::unique_ptr<ManualTimeSource> m_time;
    std::unique_ptr<LinkSupervisor> m_link;
    FakeConnection* m_connection = nullptr;
    QStringList m_signals;
    QStringList m_log;

    void create(bool autoLogin)
    {
        m_link.reset();
        m_time = std::make_unique<ManualTimeSource>();
        auto connection = std::make_unique<FakeConnection>();
        m_connection = connection.get();
        m_link = std::make_unique<LinkSupervisor>(*m_time, std::move(connection), autoLogin);
        m_link->setPassword(u"pw"_s);
        m_signals.clear();
        m_log.clear();
        connect(m_link.get(), &LinkSupervisor::stateChanged, this,
                [this](LinkState s) { m_signals.append(nameOf(s)); });
        connect(m_link.get(), &LinkSupervisor::connected, this, [this](bool loggingIn) {
            m_signals.append(loggingIn ? u"connected+login"_s : u"connected"_s);
        });
        connect(m_link.get(), &LinkSupervisor::firstConnectFailed, this,
                [this] { m_signals.append(u"box"_s); });
        connect(m_link.get(), &LinkSupervisor::linkLost, this,
                [this] { m_signals.append(u"linkLost"_s); });
        connect(m_link.get(), &LinkSupervisor::loginAccepted, this,
                [this] { m_signals.append(u"accepted"_s); });
        connect(m_link.get(), &LinkSupervisor::loginRefused, this,
                [this](qint32 result) { m_signals.append(u"refused%1"_s.arg(result)); });
        connect(m_link.get(), &LinkSupervisor::logged, this,
                [this](const QString& text) { m_log.append(text); });
    }

    // start: the console's; accept, refuse, unresolved, drop, mute (sends fail): the connection's;
    // login: the operator's; granted, denied, count: the server's replies; +N: N ms.
    void apply(const QString& step)
    {
        if (step == u"start")
            m_link->start(u"127.0.0.1"_s, protocol::kServerPort);
        else if (step == u"accept")
            m_connection->accept();
        else if (step == u"refuse")
            m_connection->refuse(1);
        else if (step == u"unresolved")
            m_connection->refuse(net::ServerConnection::kHostNotFound);
        else if (step == u"drop")
            m_connection->drop();
        else if (step == u"mute")
            m_connection->refuseSends = true;
        else if (step == u"login")
            m_link->login();
        else if (step == u"granted")
            m_connection->reply(protocol::buildLoginResult(1));
        else if (step == u"denied")
            m_connection->reply(protocol::buildLoginResult(0));
        else if (step == u"count")
            m_connection->reply(protocol::buildPlayerCountReply(1, 12));
        else if (step.startsWith(u'+'))
            m_time->advance(step.mid(1).toInt());
        else
            QFAIL(qPrintable(u"unknown step "_s + step));
        ManualTimeSource::deliverPostedEvents();
    }
    void applyAll(const QString& steps)
    {
        for (const QString& step : steps.split(u' ', Qt::SkipEmptyParts))
            apply(step);
    }

    QString sentCommands() const
    {
        QStringList out;
        for (const QByteArray& f : m_connection->sent)
            out.append(QString::number(protocol::getU16(f, 4)));
        return out.join(u' ');
    }

    // One row of transitions_data(), in the order of its columns.
    static void row(const char* name, bool autoLogin, const char* start, const char* steps,
                    const char* state, const char* signalsSeen, const char* frames, int attempts)
    {
        QTest::newRow(name) << autoLogin << QString::fromLatin1(start) << QString::fromLatin1(steps)
                            << QString::fromLatin1(state) << QString::fromLatin1(signalsSeen)
                            << QString::fromLatin1(frames) << attempts;
    }

private Q_SLOTS:
    void everyEventInEveryState_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("moves");
        // How the state is reached, and where each event that makes sense in it leads
        // ("=": it stays, doing its part). Every other event is ignored and logged.
        QTest::newRow("Idle") << QString() << u"ConnectRequested>Starting LoginRequested="_s;
        QTest::newRow("Starting") << u"start"_s
                                  << u"ConnectSucceeded>Connected ConnectFailed>Unreachable "
                                     "HostNotFound>Unreachable PollDue= LoginRequested="_s;
        QTest::newRow("Unreachable")
            << u"start refuse"_s << u"RetryDue>Connecting PollDue= LoginRequested>Connecting"_s;
        QTest::newRow("Connecting") << u"start refuse +1000"_s
                                    << u"ConnectSucceeded>Connected ConnectFailed>Unreachable "
                                       "HostNotFound>Unreachable PollDue= LoginRequested="_s;
        QTest::newRow("Connected") << u"start accept"_s
                                   << u"Closed>Lost SendFailed>Lost PollDue= ReplyReceived= "
                                      "LoginRequested>LoggingIn"_s;
        QTest::newRow("LoggingIn") << u"start accept login"_s
                                   << u"Closed>Lost SendFailed>Lost PollDue= ReplyReceived= "
                                      "LoginRequested= LoginAccepted>LoggedIn "
                                      "LoginRefused>Refused"_s;
        QTest::newRow("LoggedIn") << u"start accept login granted"_s
                                  << u"Closed>Lost SendFailed>Lost PollsUnanswered>Lost PollDue= "
                                     "ReplyReceived="_s;
        QTest::newRow("Refused") << u"start accept login denied"_s
                                 << u"Closed>Lost SendFailed>Lost PollDue= ReplyReceived= "
                                    "LoginRequested>LoggingIn LoginAccepted>LoggedIn"_s;
        QTest::newRow("Lost") << u"start accept drop"_s
                              << u"RetryDue>Reconnecting Closed= PollDue= ReplyReceived= "
                                 "LoginRequested>Reconnecting"_s;
        QTest::newRow("Reconnecting") << u"start accept drop +0"_s
                                      << u"ConnectSucceeded>Connected ConnectFailed>Lost "
                                         "HostNotFound>Lost Closed= PollDue= ReplyReceived= "
                                         "LoginRequested="_s;
    }

    void everyEventInEveryState()
    {
        QFETCH(QString, setup);
        QFETCH(QString, moves);
        QMap<QString, QString> expected;
        for (const QString& move : moves.split(u' ')) {
            const qsizetype arrow = move.indexOf(u'>');
            if (arrow < 0)
                expected.insert(move.chopped(1), QString()); // stays
            else
                expected.insert(move.left(arrow), move.mid(arrow + 1));
        }

        const QMetaEnum events = QMetaEnum::fromType<Event>();
        for (int i = 0; i < events.keyCount(); ++i) {
            const QString event = QString::fromLatin1(events.key(i));
            create(false);
            applyAll(setup);
            const QString before = nameOf(m_link->state());
            QCOMPARE(before, QString::fromLatin1(QTest::currentDataTag()));
            m_signals.clear();
            m_log.clear();
            m_connection->sent.clear();
            const qsizetype attempts = m_connection->attempts.size();

            m_link->handle(Event(events.value(i)), u"reason"_s);
            ManualTimeSource::deliverPostedEvents();

            const QString after = nameOf(m_link->state());
            const QString ignored = u"無視："_s + event + u"（"_s + before + u"）"_s;
            if (!expected.contains(event)) {
                QVERIFY2(after == before && m_signals.isEmpty() && m_connection->sent.isEmpty() &&
                             m_connection->attempts.size() == attempts,
                         qPrintable(event + u" was acted on"_s));
                QCOMPARE(m_log, QStringList{ignored});
                continue;
            }
            const QString to = expected.value(event);
            QVERIFY2(after == (to.isEmpty() ? before : to), qPrintable(event + u" -> "_s + after));
            QVERIFY2(!m_log.contains(ignored), qPrintable(event + u" was ignored"_s));
        }
    }

    void transitions_data()
    {
        QTest::addColumn<bool>("autoLogin");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("signalsSeen");
        QTest::addColumn<QString>("frames");
        QTest::addColumn<int>("attempts");

        // Starting: the outcome of the first attempt.
        row("connected", false, "starting", "accept", "Connected", "Connected connected", "", 0);
        row("connected, -auto logs in", true, "starting", "accept", "LoggingIn",
            "LoggingIn connected+login", "10001", 0);
        row("login while connecting waits for the link", false, "starting", "login accept",
            "LoggingIn", "LoggingIn connected+login", "10001", 0);
        row("first failure: box once, retry after 1 s", false, "starting", "refuse +999",
            "Unreachable", "Unreachable box", "", 0);
        row("an unresolved host is not told in a box", false, "starting", "unresolved",
            "Unreachable", "Unreachable", "", 0);
        row("no answer in 10 s", false, "starting", "+9999 +1", "Unreachable", "Unreachable box",
            "", 0);
        row("-auto: nothing sent on a failed first attempt", true, "starting", "refuse",
            "Unreachable", "Unreachable box", "", 0);

        // The backoff after failures in a row: 1, 2, 4, then 5 s.
        row("backoff 1 s", false, "unreachable", "+1000", "Connecting", "Connecting", "", 1);
        row("backoff 2 s", false, "unreachable", "+1000 refuse +1999 +1", "Connecting",
            "Connecting Unreachable Connecting", "", 2);
        row("backoff 4 s", false, "unreachable", "+1000 refuse +2000 refuse +3999 +1", "Connecting",
            "Connecting Unreachable Connecting Unreachable Connecting", "", 3);
        row("backoff stays at 5 s", false, "unreachable",
            "+1000 refuse +2000 refuse +4000 refuse +4999 +1 refuse +5000", "Connecting",
            "Connecting Unreachable Connecting Unreachable Connecting Unreachable Connecting "
            "Unreachable Connecting",
            "", 5);
        row("login while down tries at once", false, "unreachable", "login accept", "LoggingIn",
            "Connecting LoggingIn connected+login", "10001", 1);

        // Connected: the login.
        row("login accepted", false, "connected", "login granted", "LoggedIn",
            "LoggingIn LoggedIn accepted", "10001 12001", 0);
        row("login refused", false, "connected", "login denied", "Refused",
            "LoggingIn Refused refused0", "10001", 0);
        row("a result nobody asked for changes nothing", false, "connected", "denied granted",
            "Connected", "", "", 0);
        row("an accepted login clears the refusal", false, "refused", "granted drop +0 accept",
            "LoggingIn", "LoggedIn accepted Lost linkLost Reconnecting LoggingIn connected+login",
            "12001 10001", 1);
        row("login after a refusal", false, "refused", "login granted", "LoggedIn",
            "LoggingIn LoggedIn accepted", "10001 12001", 0);
        row("an unanswered login is not sent again by itself", false, "connected",
            "login drop +0 accept", "Connected",
            "LoggingIn Lost linkLost Reconnecting Connected connected", "10001", 1);

        // Logged in (at 0 s): the poll, a loss and the login again.
        row("polls every 5 s", false, "loggedIn", "+5000 count +5000", "LoggedIn", "",
            "12001 12001", 0);
        row("a poll that cannot go out is a lost link", false, "loggedIn", "mute +5000",
            "Reconnecting", "Lost linkLost Reconnecting", "", 1);
        row("three polls unanswered, 1 s grace", false, "loggedIn", "+15000 +999", "LoggedIn", "",
            "12001 12001 12001", 0);
        row("a silent server is lost, tried again at once", false, "loggedIn", "+15000 +1000",
            "Reconnecting", "Lost linkLost Reconnecting", "12001 12001 12001", 1);
        row("a reply resets the count", false, "loggedIn", "+10000 count +5000 +1000", "LoggedIn",
            "", "12001 12001 12001", 0);
        row("closed: at once again, logged in again", false, "loggedIn", "drop +0 accept",
            "LoggingIn", "Lost linkLost Reconnecting LoggingIn connected+login", "10001", 1);
        row("a refused login is never retried by itself", true, "loggedIn",
            "drop +0 accept denied drop +0 accept", "Refused",
            "Lost linkLost Reconnecting LoggingIn connected+login Refused refused0 Lost linkLost "
            "Reconnecting Refused connected",
            "10001", 2);
        row("the retry after a loss counts from 1 s", false, "loggedIn", "drop +0 refuse +999",
            "Lost", "Lost linkLost Reconnecting Lost", "", 1);
    }

    void transitions()
    {
        QFETCH(bool, autoLogin);
        QFETCH(QString, start);
        QFETCH(QString, steps);
        QFETCH(QString, state);
        QFETCH(QString, signalsSeen);
        QFETCH(QString, frames);
        QFETCH(int, attempts);

        static const QMap<QString, QString> setups{
            {u"starting"_s, u"start"_s},
            {u"unreachable"_s, u"start refuse"_s},
            {u"connected"_s, u"start accept"_s},
            {u"refused"_s, u"start accept login denied"_s},
            {u"loggedIn"_s, u"start accept login granted count"_s},
        };
        QVERIFY(setups.contains(start));
        create(autoLogin);
        applyAll(setups.value(start));
        m_signals.clear();
        m_connection->sent.clear();
        const qsizetype attemptsBefore = m_connection->attempts.size();

        applyAll(steps);
        QCOMPARE(nameOf(m_link->state()), state);
        QCOMPARE(m_signals.join(u' '), signalsSeen);
        QCOMPARE(sentCommands(), frames);
        QCOMPARE(m_connection->attempts.size() - attemptsBefore, attempts);
    }

    void logsTheLinkStory()
    {
        create(false);
        applyAll(u"start refuse +1000 refuse +2000 accept login granted drop +0 accept denied "
                 "denied"_s);
        QCOMPARE(m_log, (QStringList{u"接続開始 127.0.0.1:10010"_s, u"接続できません：refused"_s,
                                     u"接続しました"_s, u"ログインしました"_s,
                                     u"切断：鯖が接続を閉じました"_s, u"接続開始 127.0.0.1:10010"_s,
                                     u"再接続しました"_s, u"ログインを拒否されました（結果 0）"_s,
                                     u"無視：LoginRefused（Refused）"_s}));
        QCOMPARE(m_connection->attempts.last().port, quint16(10010));
    }

    void cleanup()
    {
        m_link.reset();
        m_time.reset();
    }
};

QTEST_GUILESS_MAIN(TestLinkSupervisor)
#include "TestLinkSupervisor.moc"
