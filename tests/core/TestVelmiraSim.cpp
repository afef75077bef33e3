#include "FakeServer.h"
#include "FileBytes.h"
#include "FrameReader.h"

#include "VelmiraServer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using testsupport::FakeClient;
using testsupport::frameBytes;
using testsupport::le32;
using testsupport::readBytes;
using testsupport::writeBytes;
using tolvane::sim::Account;
using tolvane::sim::RequestRecord;
using tolvane::sim::ServerAccounts;
using tolvane::sim::SimOptions;
using tolvane::sim::VelmiraServer;

namespace {

// QByteArray::fromHex skips the spaces that separate the fields. Frames are put
// together from their documented layout (frameBytes), apart from the server's builders.
// A fixed field from the hex of its UTF-16LE text, zero-filled to `size` bytes.
QByteArray field(const char* hex, int size)
{
    return QByteArray::fromHex(hex).leftJustified(size, '\0');
}

QByteArray idField(const char* hex)
{
    return field(hex, 50);
}

const QByteArray kLoginVexodrim =
    QByteArray::fromHex("15000000 1127 1200 7600650078006f006400720069006d00 0000 00");
const QByteArray kLoginAccepted = QByteArray::fromHex("040000001227 01000000");
const QByteArray kLoginRefused = QByteArray::fromHex("040000001227 00000000");
const QByteArray kPlayerCountRequest = QByteArray::fromHex("00000000e12e");
const QByteArray kListRequest = QByteArray::fromHex("000000001b27");
const QByteArray kChangeReply = QByteArray::fromHex("000000004427");

const char* const kTesterHex = "740065007300740065007200"; // "tester"
const char* const kOldHex = "6f006c00640030003100";        // "old01"
const QByteArray kDigestPw = "8fe4c11451281c094a6578e6ddbf5eed";
const QByteArray kDigestNewpass = "e6053eb8d35e02ae40beeeacef203c1a";

SimOptions quietOptions()
{
    SimOptions o;
    o.port = 0;
    o.quiet = true;
    return o;
}

} // namespace

class TestVelmiraSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loginReply_data();
    void loginReply();
    void playerCountReply_data();
    void playerCountReply();
    void broadcastIsLoggedWithoutReply_data();
    void broadcastIsLoggedWithoutReply();
    void unknownCommandIsIgnored();
    void serveSeveralClients();
    void chunkedRepliesArriveSplitButWhole();
    void coalescedRepliesArriveInOneRead();
    void coalescedRepliesFlushAfterDelay();
    void closesAfterConfiguredFrames();
    void fallsSilentAfterFrames();
    void refusesLoginsAtRunTime();
    void restartCutsClientsAndTakesThePortAgain();
    void servesGeneratedAccountsPastOneMiB();
    void overlongFrameClosesClient();
    void frameAtPayloadLimitIsAccepted();
    void accountRoundTripIsSavedAndReloaded();
    void accountInfoForUnknownId();
    void badAccountRequestsAreIgnored();
    void demoAccountsSeededWhenFileAbsent();
    void corruptFileRefused_data();
    void corruptFileRefused();
    void unwritableFileRefused();
    void printableTextEscapesControls();
};

void TestVelmiraSim::loginReply_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("acceptLogin");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("logged");

    QTest::newRow("right password")
        << kLoginVexodrim << true << kLoginAccepted << QStringLiteral("******** accepted");
    // "abc": 8 text bytes, length 11.
    QTest::newRow("wrong password") << QByteArray::fromHex("0b0000001127 0800 610062006300 0000 00")
                                    << true << kLoginRefused << QStringLiteral("******** refused");
    QTest::newRow("logins refused")
        << kLoginVexodrim << false << kLoginRefused << QStringLiteral("******** refused");
    // The declared text length runs past the payload.
    QTest::newRow("malformed") << QByteArray::fromHex("030000001127 400000") << true
                               << kLoginRefused << QStringLiteral("malformed, refused");
}

void TestVelmiraSim::loginReply()
{
    QFETCH(QByteArray, request);
    QFETCH(bool, acceptLogin);
    QFETCH(QByteArray, reply);
    QFETCH(QString, logged);

    SimOptions o = quietOptions();
    o.acceptLogin = acceptLogin;
    VelmiraServer server;
    QVERIFY2(server.listen(o), qPrintable(server.errorString()));
    QSignalSpy requests(&server, &VelmiraServer::requestReceived);
    FakeClient client(server.serverPort());
    client.send(request);
    QTRY_COMPARE(client.received.bytes(), reply);
    QCOMPARE(requests.count(), 1);
    const auto record = requests.at(0).at(0).value<RequestRecord>();
    QCOMPARE(record.command, quint16(10001));
    QCOMPARE(record.payload, request.mid(6));
    QCOMPARE(record.text, logged);
    QVERIFY(!record.line.contains(QLatin1String("vexodrim")));
    static const QRegularExpression shape(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d  login \\(10001\\)  "));
    QVERIFY2(shape.match(record.line).hasMatch(), qPrintable(record.line));
}

void TestVelmiraSim::playerCountReply_data()
{
    QTest::addColumn<qint32>("count");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("12") << 12 << QByteArray::fromHex("08000000e22e 01000000 0c000000");
    QTest::newRow("0") << 0 << QByteArray::fromHex("08000000e22e 01000000 00000000");
    QTest::newRow("345") << 345 << QByteArray::fromHex("08000000e22e 01000000 59010000");
}

void TestVelmiraSim::playerCountReply()
{
    QFETCH(qint32, count);
    QFETCH(QByteArray, reply);
    VelmiraServer server;
    QVERIFY(server.listen(quietOptions()));
    server.setPlayerCount(count);
    FakeClient client(server.serverPort());
    client.send(kPlayerCountRequest);
    QTRY_COMPARE(client.received.bytes(), reply);
}

void TestVelmiraSim::broadcastIsLoggedWithoutReply_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("logged");

    QTest::newRow("kana") << QByteArray::fromHex("0a00 5330613089306f30 0000")
                          << QStringLiteral("こちらは") << QStringLiteral("こちらは");
    // 36 units fill the 72-byte cap and travel without a terminator.
    QTest::newRow("cut at the cap")
        << QByteArray::fromHex("4800") + QByteArray::fromHex("4100").repeated(36)
        << QStringLiteral("A").repeated(36)
        << QStringLiteral("A").repeated(36) + QStringLiteral("  [N=72, no terminator]");
    QTest::newRow("line break shown escaped")
        << QByteArray::fromHex("0800 61000d000a000000") << QStringLiteral("a\r\n")
        << QStringLiteral("a\\r\\n");
}

void TestVelmiraSim::broadcastIsLoggedWithoutReply()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, text);
    QFETCH(QString, logged);

    VelmiraServer server;
    QVERIFY(server.listen(quietOptions()));
    QSignalSpy broadcasts(&server, &VelmiraServer::broadcastReceived);
    QSignalSpy requests(&server, &VelmiraServer::requestReceived);
    FakeClient client(server.serverPort());
    client.send(kLoginVexodrim);
    QTRY_COMPARE(client.received.bytes(), kLoginAccepted);

    // The player-count reply must be the next thing to arrive: a broadcast has none.
    client.send(frameBytes(12011, payload) + kPlayerCountRequest);
    QTRY_COMPARE(client.received.bytes().size(), kLoginAccepted.size() + 14);
    QCOMPARE(client.received.bytes().mid(kLoginAccepted.size(), 6),
             QByteArray::fromHex("08000000e22e"));

    QCOMPARE(broadcasts.count(), 1);
    QCOMPARE(broadcasts.at(0).at(0).toString(), text);
    QCOMPARE(broadcasts.at(0).at(1).toByteArray(), payload);
    const auto record = requests.at(1).at(0).value<RequestRecord>();
    QCOMPARE(record.command, quint16(12011));
    QVERIFY2(record.line.endsWith(QStringLiteral("  broadcast (12011)  ") + logged),
             qPrintable(record.line));
}

void TestVelmiraSim::unknownCommandIsIgnored()
{
    VelmiraServer server;
    QVERIFY(server.listen(quietOptions()));
    QSignalSpy requests(&server, &VelmiraServer::requestReceived);
    FakeClient client(server.serverPort());
    // A reply code sent to the server and an unknown code: both dropped.
    client.send(QByteArray::fromHex("030000000f27 010203") +
                QByteArray::fromHex("040000001227 01000000") + kPlayerCountRequest);
    QTRY_COMPARE(client.received.bytes().size(), 14);
    QCOMPARE(client.received.bytes().left(6), QByteArray::fromHex("08000000e22e"));
    QCOMPARE(requests.count(), 3);
    const auto unknown = requests.at(0).at(0).value<RequestRecord>();
    QCOMPARE(unknown.command, quint16(9999));
    QVERIFY2(unknown.line.contains(QLatin1String("unknown (9999)")), qPrintable(unknown.line));
}

void TestVelmiraSim::serveSeveralClients()
{
    VelmiraServer server;
    QVERIFY(server.listen(quietOptions()));
    QSignalSpy connected(&server, &VelmiraServer::clientConnected);
    QSignalSpy disconnected(&server, &VelmiraServer::clientDisconnected);
    FakeClient a(server.serverPort());
    FakeClient b(server.serverPort());
    QTRY_COMPARE(connected.count(), 2);
    b.send(kLoginVexodrim);
    a.send(kPlayerCountRequest);
    QTRY_COMPARE(b.received.bytes(), kLoginAccepted);
    QTRY_COMPARE(a.received.bytes().size(), 14);
    QCOMPARE(server.clientCount(), 2);
    a.socket.disconnectFromHost();
    QTRY_COMPARE(disconnected.count(), 1);
    QTRY_COMPARE(server.clientCount(), 1);
}

void TestVelmiraSim::chunkedRepliesArriveSplitButWhole()
{
    SimOptions o = quietOptions();
    o.chunkBytes = 1;
    o.chunkIntervalMs = 0; // a piece every turn of the loop, without waiting
    VelmiraServer server;
    QVERIFY(server.listen(o));
    FakeClient client(server.serverPort());
    client.send(kLoginVexodrim + kPlayerCountRequest);
    const QByteArray expected =
        kLoginAccepted + QByteArray::fromHex("08000000e22e 01000000 0c000000");
    QTRY_COMPARE(client.received.bytes(), expected);
    // One byte per write: the client reads the replies in several pieces.
    QVERIFY2(client.received.reads().size() > 2,
             qPrintable(QString::number(client.received.reads().size())));
}

void TestVelmiraSim::coalescedRepliesArriveInOneRead()
{
    SimOptions o = quietOptions();
    o.coalesce = true;
    o.coalesceMs = 600000; // only the third held reply releases them here
    VelmiraServer server;
    QVERIFY(server.listen(o));
    QSignalSpy requests(&server, &VelmiraServer::requestReceived);
    FakeClient client(server.serverPort());

    client.send(kLoginVexodrim);
    QTRY_COMPARE(requests.count(), 1);
    client.send(kPlayerCountRequest);
    QTRY_COMPARE(requests.count(), 2);
    QCOMPARE(client.received.bytes(), QByteArray());
    client.send(kListRequest);
    QTRY_VERIFY(!client.received.reads().isEmpty());
    const QByteArray all = kLoginAccepted + QByteArray::fromHex("08000000e22e 01000000 0c000000") +
                           QByteArray::fromHex("080000001c27 00000000 00000000");
    QCOMPARE(client.received.reads().first(), all);
}

void TestVelmiraSim::coalescedRepliesFlushAfterDelay()
{
    SimOptions o = quietOptions();
    o.coalesce = true;
    o.coalesceMs = 0; // on the next turn of the loop, though fewer than three are held
    VelmiraServer server;
    QVERIFY(server.listen(o));
    FakeClient client(server.serverPort());
    client.send(kLoginVexodrim);
    QTRY_COMPARE(client.received.bytes(), kLoginAccepted);
}

void TestVelmiraSim::closesAfterConfiguredFrames()
{
    SimOptions o = quietOptions();
    o.closeAfterFrames = 2;
    VelmiraServer server;
    QVERIFY(server.listen(o));
    QSignalSpy requests(&server, &VelmiraServer::requestReceived);
    FakeClient client(server.serverPort());
    QSignalSpy closed(&client.socket, &QTcpSocket::disconnected);
    client.send(kLoginVexodrim + kPlayerCountRequest + kListRequest);
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(client.received.bytes(),
             kLoginAccepted + QByteArray::fromHex("08000000e22e 01000000 0c000000"));
    QCOMPARE(requests.count(), 2);
}

void TestVelmiraSim::fallsSilentAfterFrames()
{
    SimOptions o = quietOptions();
    o.muteAfterFrames = 1;
    VelmiraServer server;
    QVERIFY(server.listen(o));
    QSignalSpy requests(&server, &VelmiraServer::requestReceived);
    FakeClient client(server.serverPort());
    const QByteArray countReply = QByteArray::fromHex("08000000e22e 01000000 0c000000");
    client.send(kLoginVexodrim);
    QTRY_COMPARE(client.received.bytes(), kLoginAccepted);

    // Read and logged, not answered; the connection stays open.
    client.send(kPlayerCountRequest);
    QTRY_COMPARE(requests.count(), 2);
    const QString silent = requests.at(1).at(0).value<RequestRecord>().text;
    QVERIFY2(silent.contains(QLatin1String("not answered")), qPrintable(silent));
    QCOMPARE(server.clientCount(), 1);

    // At run time: 0 answers again (a reply to the silent request would show here).
    server.setMuteAfterFrames(0);
    client.send(kPlayerCountRequest);
    QTRY_COMPARE(client.received.bytes(), kLoginAccepted + countReply);
    // Three frames handled: a limit of two silences the connection at once.
    server.setMuteAfterFrames(2);
    client.send(kPlayerCountRequest);
    QTRY_COMPARE(requests.count(), 4);
    QVERIFY(
        requests.at(3).at(0).value<RequestRecord>().text.contains(QLatin1String("not answered")));
    QCOMPARE(client.socket.state(), QAbstractSocket::ConnectedState);
}

void TestVelmiraSim::refusesLoginsAtRunTime()
{
    VelmiraServer server;
    QVERIFY(server.listen(quietOptions()));
    FakeClient client(server.serverPort());
    server.setRefuseLogin(true);
    client.send(kLoginVexodrim);
    QTRY_COMPARE(client.received.bytes(), kLoginRefused);
    server.setRefuseLogin(false);
    client.send(kLoginVexodrim);
    QTRY_COMPARE(client.received.bytes(), kLoginRefused + kLoginAccepted);
}

void TestVelmiraSim::restartCutsClientsAndTakesThePortAgain()
{
    VelmiraServer server;
    QVERIFY(server.listen(quietOptions()));
    const quint16 port = server.serverPort();
    FakeClient before(port);
    QSignalSpy cut(&before.socket, &QTcpSocket::disconnected);
    before.send(kLoginVexodrim);
    QTRY_COMPARE(before.received.bytes(), kLoginAccepted);

    // Down and up again on the same port at once; the old connection is gone.
    server.close();
    QCOMPARE(server.clientCount(), 0);
    SimOptions again = quietOptions();
    again.port = port;
    QVERIFY2(server.listen(again), qPrintable(server.errorString()));
    QTRY_COMPARE(cut.count(), 1);
    FakeClient after(port);
    after.send(kLoginVexodrim);
    QTRY_COMPARE(after.received.bytes(), kLoginAccepted);

    QSignalSpy cutAgain(&after.socket, &QTcpSocket::disconnected);
    server.setRefuseLogin(true);
    QVERIFY(server.restart());
    QCOMPARE(server.serverPort(), port);
    QTRY_COMPARE(cutAgain.count(), 1);
    FakeClient third(port);
    third.send(kLoginVexodrim);
    QTRY_COMPARE(third.received.bytes(), kLoginRefused); // run-time settings survive a restart

    // Down for a while, then up again: on the port it had, also when 0 was asked for.
    server.close();
    QVERIFY(server.restart());
    QCOMPARE(server.serverPort(), port);
}

void TestVelmiraSim::servesGeneratedAccountsPastOneMiB()
{
    VelmiraServer server;
    QCOMPARE(server.seedAccounts(25000), 25000);
    QCOMPARE(server.seedAccounts(25001), 1); // the IDs taken are skipped
    QVERIFY(server.listen(quietOptions()));
    const QByteArray pw = QCryptographicHash::hash("player", QCryptographicHash::Md5).toHex();
    QCOMPARE(server.account(QStringLiteral("player0025000"))->digestText, pw);

    FakeClient client(server.serverPort());
    client.send(kListRequest);
    // 8 + 25,001 x 50 = 1,250,058 payload bytes: past the 1 MiB of other frames.
    QTRY_COMPARE(client.received.bytes().size(), 6 + 1250058);
    QCOMPARE(client.received.bytes().left(14),
             QByteArray::fromHex("0a131300 1c27 00000000 a9610000"));
    const auto utf16 = [](const char* ascii) {
        QByteArray out;
        for (const char* c = ascii; *c; ++c)
            out += QByteArray(1, *c) + '\0';
        return out.leftJustified(50, '\0');
    };
    QCOMPARE(client.received.bytes().mid(14, 50), utf16("player0000000"));
    QCOMPARE(client.received.bytes().right(50), utf16("player0025000"));
}

void TestVelmiraSim::overlongFrameClosesClient()
{
    VelmiraServer server;
    QVERIFY(server.listen(quietOptions()));
    QSignalSpy requests(&server, &VelmiraServer::requestReceived);
    FakeClient client(server.serverPort());
    QSignalSpy closed(&client.socket, &QTcpSocket::disconnected);
    // One byte over 1 MiB declared; the player-count request after it is never read.
    client.send(QByteArray::fromHex("01001000e12e") + kPlayerCountRequest);
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(client.received.bytes(), QByteArray());
    QCOMPARE(requests.count(), 0);
}

void TestVelmiraSim::frameAtPayloadLimitIsAccepted()
{
    VelmiraServer server;
    QVERIFY(server.listen(quietOptions()));
    QSignalSpy requests(&server, &VelmiraServer::requestReceived);
    FakeClient client(server.serverPort());
    client.send(QByteArray::fromHex("000010000f27") + QByteArray(1024 * 1024, 'x'));
    client.send(kPlayerCountRequest);
    QTRY_COMPARE(client.received.bytes().size(), 14);
    QCOMPARE(requests.count(), 2);
    QCOMPARE(requests.at(0).at(0).value<RequestRecord>().payload.size(), 1024 * 1024);
}

void TestVelmiraSim::accountRoundTripIsSavedAndReloaded()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("accounts.json"));
    QVERIFY(writeBytes(
        path, R"({"accounts":[{"id":"old01","passwordMd5":")" + kDigestPw +
                  R"(","characterName":"Old","loginDenied":0,"authority":0,"loggedIn":0}]})"));

    SimOptions o = quietOptions();
    o.accountsFile = path;
    auto server = std::make_unique<VelmiraServer>();
    QVERIFY2(server->listen(o), qPrintable(server->errorString()));
    QCOMPARE(server->accountIds(), QStringList{QStringLiteral("old01")});
    QSignalSpy requests(server.get(), &VelmiraServer::requestReceived);
    FakeClient client(server->serverPort());

    // Create "tester" with the digest of "pw"; delete "old01".
    client.send(frameBytes(10021, idField(kTesterHex) + kDigestPw + QByteArray(2, '\0')));
    client.send(frameBytes(10031, idField(kOldHex)));
    QTRY_COMPARE(requests.count(), 2);
    QCOMPARE(server->accountIds(), QStringList{QStringLiteral("tester")});

    // Name "ひなた", authority GM, suspended, logged in, new password.
    const QByteArray id = idField(kTesterHex);
    client.send(frameBytes(10051, id + le32(0x02) + field("72306a305f30", 26)));
    client.send(frameBytes(10051, id + le32(0x08) + QByteArray(1, '\2')));
    client.send(frameBytes(10051, id + le32(0x04) + QByteArray(1, '\1')));
    client.send(frameBytes(10051, id + le32(0x10) + QByteArray(1, '\1')));
    client.send(frameBytes(10051, id + le32(0x01) + kDigestNewpass + QByteArray(2, '\0')));
    QTRY_COMPARE(client.received.bytes(), kChangeReply.repeated(5));
    // The log names the console's operation behind a change; a logged-in state of
    // 1 is no operation of the console.
    const auto logged = [&](int i) { return requests.at(i).at(0).value<RequestRecord>().text; };
    QVERIFY2(logged(4).contains(QStringLiteral("(denied)  [suspend]")), qPrintable(logged(4)));
    QVERIFY2(logged(5).contains(QStringLiteral("(logged in)  [before login]")),
             qPrintable(logged(5)));

    client.received.clear();
    client.send(kListRequest);
    QTRY_COMPARE(client.received.bytes(),
                 QByteArray::fromHex("3a0000001c27 00000000 01000000") + id);

    client.received.clear();
    client.send(frameBytes(10041, id + le32(31)));
    QByteArray detail(244, '\0');
    detail.replace(4, 50, id);
    detail.replace(58, 32, kDigestNewpass);
    detail.replace(92, 26, field("72306a305f30", 26));
    detail[118] = 1;
    detail[119] = 2;
    detail[120] = 1;
    QTRY_COMPARE(client.received.bytes().size(), 250);
    QCOMPARE(client.received.bytes().left(6), QByteArray::fromHex("f40000003a27"));
    // Bytes 0..3 and 54..57 are not defined for the console; everything it reads is.
    const QByteArray payload = client.received.bytes().mid(6);
    QCOMPARE(payload.mid(4, 50), detail.mid(4, 50));
    QCOMPARE(payload.mid(58), detail.mid(58));

    // The file holds the change; a new server reads it back.
    const QJsonObject saved =
        QJsonDocument::fromJson(readBytes(path)).object()[QStringLiteral("accounts")][0].toObject();
    QCOMPARE(saved[QStringLiteral("id")].toString(), QStringLiteral("tester"));
    QCOMPARE(saved[QStringLiteral("passwordMd5")].toString(), QString::fromLatin1(kDigestNewpass));
    QCOMPARE(saved[QStringLiteral("characterName")].toString(), QStringLiteral("ひなた"));
    QCOMPARE(saved[QStringLiteral("loginDenied")].toInt(), 1);
    QCOMPARE(saved[QStringLiteral("authority")].toInt(), 2);
    QCOMPARE(saved[QStringLiteral("loggedIn")].toInt(), 1);

    server.reset();
    VelmiraServer reloaded;
    QVERIFY2(reloaded.listen(o), qPrintable(reloaded.errorString()));
    const std::optional<Account> a = reloaded.account(QStringLiteral("tester"));
    QVERIFY(a);
    const Account expected{
        QStringLiteral("tester"), kDigestNewpass, QStringLiteral("ひなた"), 1, 2, 1};
    QCOMPARE(*a, expected);
    QCOMPARE(reloaded.accountIds().size(), 1);
}

void TestVelmiraSim::accountInfoForUnknownId()
{
    VelmiraServer server;
    QVERIFY(server.listen(quietOptions()));
    FakeClient client(server.serverPort());
    client.send(frameBytes(10041, idField(kTesterHex) + le32(31)));
    QTRY_COMPARE(client.received.bytes().size(), 250);
    const QByteArray payload = client.received.bytes().mid(6);
    QCOMPARE(payload.mid(4, 50), idField(kTesterHex));
    QCOMPARE(payload.mid(58), QByteArray(244 - 58, '\0'));
}

void TestVelmiraSim::badAccountRequestsAreIgnored()
{
    VelmiraServer server;
    QVERIFY(server.listen(quietOptions()));
    const Account tester{QStringLiteral("tester"), kDigestPw, QStringLiteral("T"), 0, 0, 0};
    QVERIFY(server.addAccount(tester));
    QSignalSpy requests(&server, &VelmiraServer::requestReceived);
    FakeClient client(server.serverPort());

    const QByteArray id = idField(kTesterHex);
    // A duplicate, an upper-case digest, an ID filling its field without terminator.
    client.send(frameBytes(10021, id + kDigestNewpass + QByteArray(2, '\0')));
    client.send(frameBytes(10021, idField("6f006c00640030003100") + kDigestNewpass.toUpper() +
                                      QByteArray(2, '\0')));
    client.send(frameBytes(10021, QByteArray::fromHex("4100").repeated(25) + kDigestPw +
                                      QByteArray(2, '\0')));
    // Changes: two bits at once, a name without terminator, a short payload.
    client.send(frameBytes(10051, id + le32(0x0c) + QByteArray(1, '\1')));
    client.send(frameBytes(10051, id + le32(0x02) + QByteArray::fromHex("4200").repeated(13)));
    client.send(frameBytes(10051, id + le32(0x04)));
    QTRY_COMPARE(requests.count(), 6);
    QTRY_COMPARE(client.received.bytes(), kChangeReply.repeated(3));
    QCOMPARE(server.accountIds(), QStringList{QStringLiteral("tester")});
    QCOMPARE(*server.account(QStringLiteral("tester")), tester);
}

void TestVelmiraSim::demoAccountsSeededWhenFileAbsent()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("velmira-accounts.json"));
    SimOptions o = quietOptions();
    o.accountsFile = path;
    VelmiraServer server;
    QVERIFY2(server.listen(o), qPrintable(server.errorString()));
    QVERIFY(QFile::exists(path));

    const QList<Account> accounts = server.accounts();
    QVERIFY(accounts.size() >= 3);
    const auto any = [&](auto pred) { return std::any_of(accounts.begin(), accounts.end(), pred); };
    QVERIFY(any([](const Account& a) { return a.loginState != 0; }));
    QVERIFY(any([](const Account& a) { return a.loginPermission == 1; }));
    QVERIFY(any([](const Account& a) {
        return std::any_of(a.characterName.begin(), a.characterName.end(),
                           [](QChar c) { return c.unicode() > 0x7f; });
    }));
    // hinata01's password is hinata01.
    const std::optional<Account> hinata = server.account(QStringLiteral("hinata01"));
    QVERIFY(hinata);
    QCOMPARE(hinata->digestText, QByteArray("fbde4dd6b8b766951f99dbcb2a9090df"));

    QString error;
    const auto reread = ServerAccounts::parse(readBytes(path), &error);
    QVERIFY2(reread, qPrintable(error));
    QCOMPARE(*reread, accounts);
}

void TestVelmiraSim::corruptFileRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    const QByteArray digest = kDigestPw;
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not json") << QByteArray(R"({"accounts":[)");
    QTest::newRow("no accounts array") << QByteArray(R"({"accounts":{}})");
    QTest::newRow("id missing") << QByteArray(R"({"accounts":[{"passwordMd5":")" + digest +
                                              "\"}]}");
    QTest::newRow("id too long") << QByteArray(
        R"({"accounts":[{"id":"abcdefghijklmnopqrstuvwxy","passwordMd5":")" + digest + "\"}]}");
    QTest::newRow("duplicate id") << QByteArray(R"({"accounts":[{"id":"a","passwordMd5":")" +
                                                digest + R"("},{"id":"a","passwordMd5":")" +
                                                digest + "\"}]}");
    QTest::newRow("bad digest") << QByteArray(R"({"accounts":[{"id":"a","passwordMd5":"xyz"}]})");
    QTest::newRow("name too long")
        << QByteArray(R"({"accounts":[{"id":"a","passwordMd5":")" + digest +
                      R"(","characterName":"abcdefghijklm"}]})");
    QTest::newRow("authority out of range") << QByteArray(
        R"({"accounts":[{"id":"a","passwordMd5":")" + digest + R"(","authority":300}]})");
}

void TestVelmiraSim::corruptFileRefused()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("accounts.json"));
    QVERIFY(writeBytes(path, content));
    SimOptions o = quietOptions();
    o.accountsFile = path;
    VelmiraServer server;
    QVERIFY(!server.listen(o));
    QVERIFY(!server.isListening());
    QVERIFY2(server.errorString().contains(path), qPrintable(server.errorString()));
    QCOMPARE(readBytes(path), content);
}

void TestVelmiraSim::unwritableFileRefused()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SimOptions o = quietOptions();
    o.accountsFile = dir.filePath(QStringLiteral("missing/accounts.json"));
    VelmiraServer server;
    QVERIFY(!server.listen(o));
    QVERIFY(!server.errorString().isEmpty());
    QVERIFY(!server.isListening());
}

void TestVelmiraSim::printableTextEscapesControls()
{
    QCOMPARE(tolvane::sim::printableText(QStringLiteral("a\tb\x01こ")),
             QStringLiteral("a\\tb\\x01こ"));
}

QTEST_GUILESS_MAIN(TestVelmiraSim)
#include "TestVelmiraSim.moc"
