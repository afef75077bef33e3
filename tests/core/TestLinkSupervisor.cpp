#include "FakeConnection.h"
#include "ManualTimeSource.h"

#include "console/LinkSupervisor.h"
#include "protocol/ServerPort.h"
#include "protocol/SessionMessages.h"

#include <QTest>

#include <memory>

using namespace tolvane;
using namespace tolvane::console;
using namespace Qt::StringLiterals;
using testsupport::FakeConnection;
using testsupport::ManualTimeSource;

// The link's state machine on a scripted connection and a manual clock. Each row
// brings the link to a start state, applies events and compares the state reached,
// the signals on the way, the frames sent and the connection attempts made.
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
        m_time = std::make_unique<ManualTimeSource>();
        auto connection = std::make_unique<FakeConnection>();
        m_connection = connection.get();
        m_link = std::make_unique<LinkSupervisor>(*m_time, std::move(connection), autoLogin);
        m_link->setPassword(u"pw"_s);
        connect(m_link.get(), &LinkSupervisor::stateChanged, this, [this](LinkState s) {
            static const char* const names[] = {"Connecting", "Connected", "LoggedIn", "Lost"};
            m_signals.append(QString::fromLatin1(names[int(s)]));
        });
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
        m_link->start(u"127.0.0.1"_s, protocol::kServerPort);
        ManualTimeSource::deliverPostedEvents();
    }

    // accept, refuse, unresolved, drop: the connection's side; login: the operator's;
    // granted, denied, count: the server's replies; +N: N ms go by.
    void apply(const QString& step)
    {
        if (step == u"accept")
            m_connection->accept();
        else if (step == u"refuse")
            m_connection->refuse(1);
        else if (step == u"unresolved")
            m_connection->refuse(net::ServerConnection::kHostNotFound);
        else if (step == u"drop")
            m_connection->drop();
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
    void transitions_data()
    {
        QTest::addColumn<bool>("autoLogin");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("signalsSeen");
        QTest::addColumn<QString>("frames");
        QTest::addColumn<int>("attempts");

        // Connecting: the outcome of the first attempt.
        row("connected", false, "connecting", "accept", "Connected", "Connected connected", "", 0);
        row("connected, -auto logs in", true, "connecting", "accept", "Connected",
            "Connected connected+login", "10001", 0);
        row("login while connecting waits for the link", false, "connecting", "login accept",
            "Connected", "Connected connected+login", "10001", 0);
        row("first failure: box once, retry after 1 s", false, "connecting", "refuse +999", "Lost",
            "Lost box", "", 0);
        row("an unresolved host is not told in a box", false, "connecting", "unresolved", "Lost",
            "Lost", "", 0);
        row("no answer in 10 s", false, "connecting", "+9999 +1", "Lost", "Lost box", "", 0);
        row("-auto: nothing sent on a failed first attempt", true, "connecting", "refuse", "Lost",
            "Lost box", "", 0);

        // The backoff after failures in a row: 1, 2, 4, then 5 s.
        row("backoff 1 s", false, "failed", "+1000", "Connecting", "Connecting", "", 1);
        row("backoff 2 s", false, "failed", "+1000 refuse +1999 +1", "Connecting",
            "Connecting Lost Connecting", "", 2);
        row("backoff 4 s", false, "failed", "+1000 refuse +2000 refuse +3999 +1", "Connecting",
            "Connecting Lost Connecting Lost Connecting", "", 3);
        row("backoff stays at 5 s", false, "failed",
            "+1000 refuse +2000 refuse +4000 refuse +4999 +1 refuse +5000", "Connecting",
            "Connecting Lost Connecting Lost Connecting Lost Connecting Lost Connecting", "", 5);
        row("login while down tries at once", false, "failed", "login accept", "Connected",
            "Connecting Connected connected+login", "10001", 1);

        // Connected: the login.
        row("login accepted", false, "connected", "login granted", "LoggedIn", "LoggedIn accepted",
            "10001 12001", 0);
        row("login refused", false, "connected", "login denied", "Connected", "refused0", "10001",
            0);
        row("a result nobody asked for changes nothing", false, "connected", "denied", "Connected",
            "", "", 0);
        row("an accepted login clears the refusal", false, "refused", "granted drop +0 accept",
            "Connected", "LoggedIn accepted linkLost Lost Connecting Connected connected+login",
            "12001 10001", 1);
        row("login after a refusal", false, "refused", "login granted", "LoggedIn",
            "LoggedIn accepted", "10001 12001", 0);

        // Logged in: the poll, a loss and the login again.
        row("polls every 5 s", false, "loggedIn", "+5000 count +5000", "LoggedIn", "",
            "12001 12001", 0);
        row("three polls unanswered, 1 s grace", false, "loggedIn", "+15000 +999", "LoggedIn", "",
            "12001 12001 12001", 0);
        row("a silent server is lost, tried again at once", false, "loggedIn", "+15000 +1000",
            "Connecting", "linkLost Lost Connecting", "12001 12001 12001", 1);
        row("a reply resets the count", false, "loggedIn", "+10000 count +5000 +1000", "LoggedIn",
            "", "12001 12001 12001", 0);
        row("closed: at once again, logged in again", false, "loggedIn", "drop +0 accept",
            "Connected", "linkLost Lost Connecting Connected connected+login", "10001", 1);
        row("a refused login is never retried by itself", false, "loggedIn",
            "drop +0 accept denied drop +0 accept", "Connected",
            "linkLost Lost Connecting Connected connected+login refused0 linkLost Lost "
            "Connecting Connected connected",
            "10001", 2);
        row("the retry after a loss counts from 1 s", false, "loggedIn", "drop +0 refuse +999",
            "Lost", "linkLost Lost Connecting Lost", "", 1);
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

        create(autoLogin);
        static const QMap<QString, QString> setups{
            {u"connecting"_s, QString()},
            {u"failed"_s, u"refuse"_s},
            {u"connected"_s, u"accept"_s},
            {u"refused"_s, u"accept login denied"_s},
            {u"loggedIn"_s, u"accept login granted count"_s},
        };
        QVERIFY(setups.contains(start));
        for (const QString& step : setups.value(start).split(u' ', Qt::SkipEmptyParts))
            apply(step);
        m_signals.clear();
        m_connection->sent.clear();
        const qsizetype attemptsBefore = m_connection->attempts.size();

        for (const QString& step : steps.split(u' ', Qt::SkipEmptyParts))
            apply(step);

        static const char* const names[] = {"Connecting", "Connected", "LoggedIn", "Lost"};
        QCOMPARE(QString::fromLatin1(names[int(m_link->state())]), state);
        QCOMPARE(m_signals.join(u' '), signalsSeen);
        QCOMPARE(sentCommands(), frames);
        QCOMPARE(m_connection->attempts.size() - attemptsBefore, attempts);
    }

    void logsTheLinkStory()
    {
        create(false);
        for (const char* step : {"refuse", "+1000", "refuse", "+2000", "accept", "login", "granted",
                                 "drop", "+0", "accept"})
            apply(QString::fromLatin1(step));
        QCOMPARE(m_log, (QStringList{u"接続開始 127.0.0.1:10010"_s, u"接続できません：refused"_s,
                                     u"接続しました"_s, u"ログインしました"_s,
                                     u"切断：鯖が接続を閉じました"_s, u"接続開始 127.0.0.1:10010"_s,
                                     u"再接続しました"_s}));
        QCOMPARE(m_connection->attempts.last().port, quint16(10010));
    }

    void cleanup()
    {
        m_link.reset();
        m_time.reset();
        m_signals.clear();
        m_log.clear();
    }
};

QTEST_GUILESS_MAIN(TestLinkSupervisor)
#include "TestLinkSupervisor.moc"
