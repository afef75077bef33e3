#include "broadcast/BroadcastEngine.h"
#include "console/StatusTexts.h"
#include "net/SessionProtocol.h"

#include <QTest>

using namespace tolvane;
using namespace tolvane::net;
using Outcome = SessionProtocol::Outcome;

// The reply dispatcher and the pacing decisions, without sockets.
class TestSessionProtocol : public QObject
{
    Q_OBJECT

    static protocol::Frame frame(quint16 command, const char* hexPayload)
    {
        return {command, QByteArray::fromHex(hexPayload)};
    }

private Q_SLOTS:
    void loginResult_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("1") << QByteArray("01000000") << true;
        QTest::newRow("0") << QByteArray("00000000") << false;
        QTest::newRow("-1") << QByteArray("ffffffff") << false;
        QTest::newRow("256 is not 1") << QByteArray("00010000") << false;
        QTest::newRow("longer payload, first four bytes count") << QByteArray("01000000ff") << true;
        QTest::newRow("empty payload leaves the record as it was") << QByteArray() << false;
    }

    void loginResult()
    {
        QFETCH(QByteArray, payload);
        QFETCH(bool, accepted);
        SessionProtocol s;
        const Outcome o = s.dispatch(frame(10002, payload.constData()));
        QCOMPARE(o, accepted ? Outcome::LoginAccepted : Outcome::LoginRefused);
    }

    void shortPayloadKeepsRestOfRecord()
    {
        SessionProtocol s;
        s.dispatch(frame(10002, "01000000"));
        // Two bytes overwrite only the low half of the stored result.
        QCOMPARE(s.dispatch(frame(10002, "0000")), Outcome::LoginRefused);
        QCOMPARE(s.lastLoginResult(), 0);
        QCOMPARE(s.dispatch(frame(10002, "01")), Outcome::LoginAccepted);
    }

    void playerCount_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("status"); // "" when the count is not valid
        QTest::newRow("zero players")
            << QByteArray("0100000000000000") << QStringLiteral("現在のプレイヤー数：0人");
        QTest::newRow("42") << QByteArray("010000002a000000")
                            << QStringLiteral("現在のプレイヤー数：42人");
        QTest::newRow("negative shown signed")
            << QByteArray("01000000ffffffff") << QStringLiteral("現在のプレイヤー数：-1人");
        QTest::newRow("invalid result") << QByteArray("000000002a000000") << QString();
    }

    void playerCount()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QString, status);
        SessionProtocol s;
        const Outcome o = s.dispatch(frame(12002, payload.constData()));
        QCOMPARE(o, status.isEmpty() ? Outcome::PlayerCountInvalid : Outcome::PlayerCount);
        const auto players = s.playerCount();
        QCOMPARE(players ? console::status::playerCount(*players) : QString(), status);
    }

    void accountRepliesAreRecognised()
    {
        SessionProtocol s;
        QCOMPARE(s.dispatch(frame(10012, "0000000000000000")), Outcome::AccountListReply);
        QCOMPARE(s.dispatch(frame(10042, "00000000")), Outcome::AccountInfoReply);
        QVERIFY(!s.playerCount());
    }

    void otherCodesIgnored()
    {
        SessionProtocol s;
        QCOMPARE(s.dispatch(frame(10052, "")), Outcome::Ignored);
        QCOMPARE(s.dispatch(frame(12011, "0200")), Outcome::Ignored);
        QVERIFY(!s.playerCount());
    }

    void pacingOverReplacedList()
    {
        broadcast::BroadcastEngine e;
        e.StartBroadcast(5);
        e.PacingTick(5);
        // A longer list selected during the broadcast: it goes on at count - remaining.
        auto t = e.PacingTick(10);
        QCOMPARE(t.index, 10 - 4);
        // A shorter list (or a deleted one) ends the broadcast instead of reading before
        // the first line.
        t = e.PacingTick(2);
        QVERIFY(!t.send);
        QVERIFY(t.finished);
        QVERIFY(!e.isRunning());
        QVERIFY(!e.PacingTick(0).finished);
    }

    void emptyViewBroadcastsNothingAndNeverEnds()
    {
        broadcast::BroadcastEngine e;
        e.StartBroadcast(0);
        const auto t = e.PacingTick(0);
        QVERIFY(!t.send);
        QVERIFY(!t.finished);
    }

    void stopThenTicksDoNothing()
    {
        broadcast::BroadcastEngine e;
        e.StartBroadcast(4);
        e.StopBroadcast();
        const auto t = e.PacingTick(4);
        QVERIFY(!t.send);
        QVERIFY(!t.finished);
    }
};

QTEST_GUILESS_MAIN(TestSessionProtocol)
#include "TestSessionProtocol.moc"
