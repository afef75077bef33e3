#include "AccountServiceRig.h"

#include <QSignalSpy>
#include <QTest>

using namespace tolvane;
using namespace Qt::StringLiterals;
using protocol::AccountId;
using protocol::Authority;
using testsupport::AccountServiceRig;
using Notice = console::OperatorPrompts::Notice;

namespace {

QByteArray z(int n)
{
    return QByteArray(2 * n, '0');
}

// ID fields as a list reply carries them, UTF-16LE, zero-filled to 50 bytes.
const QByteArray kAbc = "610062006300" + z(44); // "abc"
const QByteArray kYusha = "c7520580" + z(46);   // "勇者"
// "a", terminator, then bytes that carry no meaning: they go back as received.
const QByteArray kOdd = "61000000" + QByteArray("ff").repeated(46);
// 25 units and no terminator.
const QByteArray kX25 = QByteArray("7800").repeated(25);
// MD5 of the UTF-8 bytes of "パスワード" and of "newpass", as ASCII hex digits.
const QByteArray kDigestPasuwado =
    "3462646665376535393461633436346139316661363234353338373962643439";
const QByteArray kDigestNewpass =
    "6536303533656238643335653032616534306265656561636566323033633161";

AccountId account(const QByteArray& fieldHex)
{
    return AccountId(QByteArray::fromHex(fieldHex));
}

// Runs one typed operation, named as in the tables below, on `id`.
void run(console::AccountService& s, const QString& op, const AccountId& id)
{
    if (op == u"list")
        s.requestList();
    else if (op == u"details")
        s.requestDetails(id);
    else if (op == u"create")
        s.create(u"abc"_s, u"パスワード"_s);
    else if (op == u"remove")
        s.remove(id);
    else if (op == u"sendHome")
        s.sendHome(id);
    else if (op == u"suspend")
        s.suspend(id);
    else if (op == u"lift")
        s.lift(id);
    else if (op == u"password")
        s.changePassword(id, u"newpass"_s);
    else if (op == u"name")
        s.changeName(id, u"キャラクター名前十二文字"_s);
    else if (op == u"None")
        s.changeAuthority(id, Authority::None);
    else if (op == u"Navi")
        s.changeAuthority(id, Authority::Navi);
    else if (op == u"GM")
        s.changeAuthority(id, Authority::Gm);
    else
        QFAIL("no such operation");
}

} // namespace

class TestAccountService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requestBytes_data();
    void requestBytes();
    void textsCutToTheirFields();
    void nullAccountSendsNothing_data();
    void nullAccountSendsNothing();
    void logLines_data();
    void logLines();
    void replies();
};

void TestAccountService::requestBytes_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QByteArray>("idField");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("list") << u"list"_s << QByteArray() << QByteArray("000000001b27");
    QTest::newRow("create") << u"create"_s << QByteArray()
                            << "54000000"
                               "2527" +
                                   kAbc + kDigestPasuwado + "0000";
    QTest::newRow("remove") << u"remove"_s << kYusha
                            << "32000000"
                               "2f27" +
                                   kYusha;
    QTest::newRow("details") << u"details"_s << kAbc
                             << "36000000"
                                "3927" +
                                    kAbc + "1f000000";
    QTest::newRow("details, bytes after the terminator") << u"details"_s << kOdd
                                                         << "36000000"
                                                            "3927" +
                                                                kOdd + "1f000000";
    QTest::newRow("remove, no terminator") << u"remove"_s << kX25
                                           << "32000000"
                                              "2f27" +
                                                  kX25;
    QTest::newRow("password") << u"password"_s << kAbc
                              << "58000000"
                                 "4327" +
                                     kAbc + "01000000" + kDigestNewpass + "0000";
    // Twelve characters fill the name field up to its terminator.
    QTest::newRow("name") << u"name"_s << kYusha
                          << "50000000"
                             "4327" +
                                 kYusha + "02000000" +
                                 "ad30e330e930af30bf30fc300d544d5241538c4e8765575b" + "0000";
    QTest::newRow("sendHome") << u"sendHome"_s << kOdd
                              << "37000000"
                                 "4327" +
                                     kOdd + "10000000" + "00";
    QTest::newRow("suspend") << u"suspend"_s << kAbc
                             << "37000000"
                                "4327" +
                                    kAbc + "04000000" + "01";
    QTest::newRow("lift") << u"lift"_s << kAbc
                          << "37000000"
                             "4327" +
                                 kAbc + "04000000" + "00";
    QTest::newRow("None") << u"None"_s << kAbc
                          << "37000000"
                             "4327" +
                                 kAbc + "08000000" + "00";
    QTest::newRow("Navi") << u"Navi"_s << kAbc
                          << "37000000"
                             "4327" +
                                 kAbc + "08000000" + "01";
    QTest::newRow("GM") << u"GM"_s << kAbc
                        << "37000000"
                           "4327" +
                               kAbc + "08000000" + "02";
}

void TestAccountService::requestBytes()
{
    QFETCH(QString, op);
    QFETCH(QByteArray, idField);
    QFETCH(QByteArray, expected);

    AccountServiceRig rig;
    run(rig.service, op, account(idField));
    QCOMPARE(rig.sent.size(), 1);
    QCOMPARE(rig.sent[0].toHex(), expected);
}

void TestAccountService::textsCutToTheirFields()
{
    AccountServiceRig rig;
    // 24 of 30 ID characters; the digest of 33 of 40 password characters.
    rig.service.create(QString(30, u'i'), QString(40, u'p'));
    // The name field holds 12 of 15 characters and its terminator.
    rig.service.changeName(account(kAbc), u"キャラクター名前十二文字と少し"_s);
    rig.service.changePassword(account(kAbc), QString(40, u'p'));
    QCOMPARE(rig.sent.size(), 3);
    const QByteArray digest33 = "6631356338366134626536366132316566303163616561316462306335653361";
    QCOMPARE(rig.sent[0].toHex(), "54000000"
                                  "2527" +
                                      QByteArray("6900").repeated(24) + "0000" + digest33 + "0000");
    QCOMPARE(rig.sent[1].toHex(), "50000000"
                                  "4327" +
                                      kAbc + "02000000" +
                                      "ad30e330e930af30bf30fc300d544d5241538c4e8765575b" + "0000");
    QCOMPARE(rig.sent[2].toHex(), "58000000"
                                  "4327" +
                                      kAbc + "01000000" + digest33 + "0000");
    QCOMPARE(rig.log.first(), u"アカウント 作成 ID=「"_s + QString(24, u'i') + u"」"_s);
}

void TestAccountService::nullAccountSendsNothing_data()
{
    QTest::addColumn<QString>("op");
    for (const char* op :
         {"details", "remove", "sendHome", "suspend", "lift", "password", "name", "None", "GM"})
        QTest::newRow(op) << QString::fromLatin1(op);
}

void TestAccountService::nullAccountSendsNothing()
{
    QFETCH(QString, op);
    AccountServiceRig rig;
    run(rig.service, op, AccountId());
    QVERIFY(rig.sent.isEmpty());
    QVERIFY(rig.log.isEmpty());
}

void TestAccountService::logLines_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("line"); // what the log says, "" for nothing

    QTest::newRow("list") << u"list"_s << QString();
    QTest::newRow("details") << u"details"_s << QString();
    QTest::newRow("create") << u"create"_s << u"作成 ID=「abc」"_s;
    QTest::newRow("remove") << u"remove"_s << u"削除 ID=「勇者」"_s;
    QTest::newRow("password") << u"password"_s << u"パスワード変更 ID=「勇者」"_s;
    QTest::newRow("name") << u"name"_s
                          << u"キャラ名変更 ID=「勇者」 名前=「キャラクター名前十二文字」"_s;
    QTest::newRow("sendHome") << u"sendHome"_s << u"強制帰宅 ID=「勇者」"_s;
    QTest::newRow("suspend") << u"suspend"_s << u"謹慎 ID=「勇者」 ログイン=拒否"_s;
    QTest::newRow("lift") << u"lift"_s << u"謹慎解除 ID=「勇者」 ログイン=許可"_s;
    QTest::newRow("None") << u"None"_s << u"権限変更 ID=「勇者」 権限=None"_s;
    QTest::newRow("Navi") << u"Navi"_s << u"権限変更 ID=「勇者」 権限=Navi"_s;
    QTest::newRow("GM") << u"GM"_s << u"権限変更 ID=「勇者」 権限=GM"_s;
}

void TestAccountService::logLines()
{
    QFETCH(QString, op);
    QFETCH(QString, line);

    // Sent, and then with the link gone: nothing goes out, and the operator is told.
    AccountServiceRig rig;
    run(rig.service, op, account(kYusha));
    QCOMPARE(rig.sent.size(), 1);
    rig.cutLink();
    rig.prompts.expectNotice(Notice::AccountRequestNotSent);
    run(rig.service, op, account(kYusha));
    QCOMPARE(rig.sent.size(), 1);
    QVERIFY(rig.prompts.done());

    const QStringList expected =
        line.isEmpty() ? QStringList()
                       : QStringList{u"アカウント "_s + line, u"未送信 アカウント "_s + line};
    QCOMPARE(rig.log, expected);
    // Neither a password nor its digest is ever written down.
    const QString all = rig.log.join(u'\n');
    for (const QString& secret :
         {u"パスワード"_s, u"newpass"_s, QString::fromLatin1(kDigestPasuwado),
          QString::fromLatin1(kDigestNewpass)}) {
        const bool inTheLine = line.contains(secret); // "パスワード変更" names the action
        QVERIFY2(inTheLine || !all.contains(secret), qPrintable(secret));
    }
}

void TestAccountService::replies()
{
    AccountServiceRig rig;
    QSignalSpy lists(&rig.service, &console::AccountService::listReceived);
    QSignalSpy details(&rig.service, &console::AccountService::detailsReceived);

    const QByteArray list = QByteArray::fromHex("00000000"
                                                "01000000" +
                                                kAbc);
    rig.reply(protocol::CmdAccountListReply, list);
    QCOMPARE(lists.size(), 1);
    QCOMPARE(lists[0][0].toByteArray(), list);
    QCOMPARE(rig.service.store().list().idAt(0), u"abc"_s);

    // u32, "abc" cut short: what the reply does not carry reads as empty or 0.
    rig.reply(protocol::CmdAccountInfoReply, QByteArray::fromHex("00000000"
                                                                 "610062006300"));
    QCOMPARE(details.size(), 1);
    const auto d = details[0][0].value<protocol::AccountDetail>();
    QCOMPARE(d.id, u"abc"_s);
    QCOMPARE(d.characterName, QString());
    QCOMPARE(d.loginState, quint8(0));
    // The link's own replies are none of the service's business.
    rig.reply(protocol::CmdLoginResult, QByteArray::fromHex("00000000"));
    rig.reply(protocol::CmdPlayerCountReply, QByteArray::fromHex("0100000007000000"));
    QCOMPARE(lists.size() + details.size(), 2);
    QVERIFY(rig.sent.isEmpty());
}

QTEST_GUILESS_MAIN(TestAccountService)
#include "TestAccountService.moc"
