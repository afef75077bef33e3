#include "admin/AccountStore.h"
#include "net/Notifications.h"

#include <QTest>

using tolvane::admin::AccountStore;
using namespace Qt::StringLiterals;

namespace {

// n zero bytes as hex digits.
QByteArray z(int n)
{
    return QByteArray(2 * n, '0');
}

QByteArray hex(const QByteArray& digits)
{
    return QByteArray::fromHex(digits);
}

// ID fields, UTF-16LE, zero-filled to 50 bytes.
const QByteArray kAbc = "610062006300" + z(44); // "abc"
const QByteArray kYusha = "c7520580" + z(46);   // "勇者"
const QByteArray kXy = "78007900" + z(46);      // "xy"
// MD5 of the UTF-8 bytes of "パスワード" and of "newpass", as ASCII hex digits.
const QByteArray kDigestPasuwado =
    "3462646665376535393461633436346139316661363234353338373962643439";
const QByteArray kDigestNewpass =
    "6536303533656238643335653032616534306265656561636566323033633161";

// u32 (not read), i32 count, then the records.
QByteArray listReply(const QByteArray& countHex, const QByteArray& records)
{
    return hex("00000000" + countHex + records);
}

AccountStore storeWithThree()
{
    AccountStore store;
    store.storeListReply(listReply("03000000", kAbc + kYusha + kXy));
    return store;
}

} // namespace

class TestAccountStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requests_data();
    void requests();
    void positionOutsideListSendsNothing_data();
    void positionOutsideListSendsNothing();
    void changeKindOutsideRangeSendsNothing_data();
    void changeKindOutsideRangeSendsNothing();
    void unknownNotificationSendsNothing();
    void beforeFirstReplyCountIsZero();
    void listWithThree();
    void countLargerThanRecordsPresent_data();
    void countLargerThanRecordsPresent();
    void idWithoutTerminatorReadToFieldEnd();
    void bytesAfterTerminatorGoBackAsReceived();
    void nextListReplyReplacesWhole();
    void tenThousandRecordsStoredWhole();
    void detailReply();
    void detailShorterClearsTheRest();
    void detailLongerCutToRecord();
    void pendingValuesCutToCapacity_data();
    void pendingValuesCutToCapacity();
};

void TestAccountStore::requests_data()
{
    QTest::addColumn<int>("notification");
    QTest::addColumn<qint64>("position");
    QTest::addColumn<qint64>("kind");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("list") << int(tolvane::WM_ACCOUNT_LIST_REQ) << qint64(0) << qint64(0)
                          << hex("000000001b27");
    QTest::newRow("create") << int(tolvane::WM_ACCOUNT_CREATE_REQ) << qint64(0) << qint64(0)
                            << hex("54000000"
                                   "2527" +
                                   kAbc + kDigestPasuwado + "0000");
    QTest::newRow("delete 1") << int(tolvane::WM_ACCOUNT_DELETE_REQ) << qint64(1) << qint64(0)
                              << hex("32000000"
                                     "2f27" +
                                     kYusha);
    QTest::newRow("info 0") << int(tolvane::WM_ACCOUNT_INFO_REQ) << qint64(0) << qint64(0)
                            << hex("36000000"
                                   "3927" +
                                   kAbc + "1f000000");
    QTest::newRow("info 2") << int(tolvane::WM_ACCOUNT_INFO_REQ) << qint64(2) << qint64(0)
                            << hex("36000000"
                                   "3927" +
                                   kXy + "1f000000");
    QTest::newRow("change password")
        << int(tolvane::WM_ACCOUNT_CHANGE_REQ) << qint64(0) << qint64(1)
        << hex("58000000"
               "4327" +
               kAbc + "01000000" + kDigestNewpass + "0000");
    // Twelve characters fill the name field up to its terminator.
    QTest::newRow("change name") << int(tolvane::WM_ACCOUNT_CHANGE_REQ) << qint64(1) << qint64(2)
                                 << hex("50000000"
                                        "4327" +
                                        kYusha + "02000000" +
                                        "ad30e330e930af30bf30fc300d544d5241538c4e8765575b" +
                                        "0000");
    QTest::newRow("send home") << int(tolvane::WM_ACCOUNT_CHANGE_REQ) << qint64(2) << qint64(3)
                               << hex("37000000"
                                      "4327" +
                                      kXy +
                                      "10000000"
                                      "00");
    QTest::newRow("suspend") << int(tolvane::WM_ACCOUNT_CHANGE_REQ) << qint64(0) << qint64(4)
                             << hex("37000000"
                                    "4327" +
                                    kAbc +
                                    "04000000"
                                    "01");
    QTest::newRow("lift") << int(tolvane::WM_ACCOUNT_CHANGE_REQ) << qint64(0) << qint64(5)
                          << hex("37000000"
                                 "4327" +
                                 kAbc +
                                 "04000000"
                                 "00");
    QTest::newRow("None") << int(tolvane::WM_ACCOUNT_CHANGE_REQ) << qint64(0) << qint64(6)
                          << hex("37000000"
                                 "4327" +
                                 kAbc +
                                 "08000000"
                                 "00");
    QTest::newRow("Navi") << int(tolvane::WM_ACCOUNT_CHANGE_REQ) << qint64(0) << qint64(7)
                          << hex("37000000"
                                 "4327" +
                                 kAbc +
                                 "08000000"
                                 "01");
    QTest::newRow("GM") << int(tolvane::WM_ACCOUNT_CHANGE_REQ) << qint64(0) << qint64(8)
                        << hex("37000000"
                               "4327" +
                               kAbc +
                               "08000000"
                               "02");
}

void TestAccountStore::requests()
{
    QFETCH(int, notification);
    QFETCH(qint64, position);
    QFETCH(qint64, kind);
    QFETCH(QByteArray, expected);

    AccountStore store = storeWithThree();
    store.setNewAccountId(u"abc"_s);
    store.setNewAccountPassword(u"パスワード"_s);
    store.setNewPassword(u"newpass"_s);
    store.setNewCharacterName(u"キャラクター名前十二文字"_s);

    const auto frame = store.buildRequest(notification, position, kind);
    QVERIFY(frame.has_value());
    QCOMPARE(frame->toHex(), expected.toHex());
}

void TestAccountStore::positionOutsideListSendsNothing_data()
{
    QTest::addColumn<int>("notification");
    QTest::addColumn<qint64>("position");
    QTest::addColumn<qint64>("kind");

    const qint64 big = qint64(1) << 32; // would wrap to 0 if narrowed
    for (const qint64 pos : {qint64(-1), qint64(3), qint64(1000), big, qint64(-big)}) {
        const QByteArray p = QByteArray::number(pos);
        QTest::newRow(("delete " + p).constData())
            << int(tolvane::WM_ACCOUNT_DELETE_REQ) << pos << qint64(0);
        QTest::newRow(("info " + p).constData())
            << int(tolvane::WM_ACCOUNT_INFO_REQ) << pos << qint64(0);
        QTest::newRow(("change " + p).constData())
            << int(tolvane::WM_ACCOUNT_CHANGE_REQ) << pos << qint64(4);
    }
}

void TestAccountStore::positionOutsideListSendsNothing()
{
    QFETCH(int, notification);
    QFETCH(qint64, position);
    QFETCH(qint64, kind);

    const AccountStore store = storeWithThree();
    QVERIFY(!store.buildRequest(notification, position, kind).has_value());
}

void TestAccountStore::changeKindOutsideRangeSendsNothing_data()
{
    QTest::addColumn<qint64>("kind");
    QTest::newRow("0") << qint64(0);
    QTest::newRow("9") << qint64(9);
    QTest::newRow("-1") << qint64(-1);
    QTest::newRow("2^32+4") << ((qint64(1) << 32) + 4);
}

void TestAccountStore::changeKindOutsideRangeSendsNothing()
{
    QFETCH(qint64, kind);
    const AccountStore store = storeWithThree();
    QVERIFY(!store.buildRequest(tolvane::WM_ACCOUNT_CHANGE_REQ, 0, kind).has_value());
}

void TestAccountStore::unknownNotificationSendsNothing()
{
    const AccountStore store = storeWithThree();
    QVERIFY(!store.buildRequest(tolvane::WM_ACCOUNT_LIST_ARRIVED, 0, 0).has_value());
    QVERIFY(!store.buildRequest(tolvane::WM_FRAME_RECEIVED, 0, 0).has_value());
}

void TestAccountStore::beforeFirstReplyCountIsZero()
{
    const AccountStore store;
    QCOMPARE(store.list().recordCount(), 0);
    QCOMPARE(store.list().declaredCount(), 0);
    QCOMPARE(store.list().idAt(0), QString());
    QVERIFY(!store.buildRequest(tolvane::WM_ACCOUNT_INFO_REQ, 0, 0).has_value());
    QVERIFY(!store.buildRequest(tolvane::WM_ACCOUNT_DELETE_REQ, 0, 0).has_value());
    // Requests that need no list position still go out.
    QVERIFY(store.buildRequest(tolvane::WM_ACCOUNT_LIST_REQ, 0, 0).has_value());
}

void TestAccountStore::listWithThree()
{
    const AccountStore store = storeWithThree();
    QCOMPARE(store.list().recordCount(), 3);
    QCOMPARE(store.list().idAt(0), u"abc"_s);
    QCOMPARE(store.list().idAt(1), u"勇者"_s);
    QCOMPARE(store.list().idAt(2), u"xy"_s);
    QCOMPARE(store.list().idAt(3), QString());
    QCOMPARE(store.list().idAt(-1), QString());
}

void TestAccountStore::countLargerThanRecordsPresent_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("present");

    QTest::newRow("count 5, two records") << listReply("05000000", kAbc + kYusha) << 2;
    QTest::newRow("count 3, two and a half") << listReply("03000000", kAbc + kYusha + z(20)) << 2;
    QTest::newRow("huge count, one record") << listReply("ffffff7f", kAbc) << 1;
    QTest::newRow("negative count") << listReply("ffffffff", kAbc) << 0;
    QTest::newRow("head only") << listReply("02000000", "") << 0;
    QTest::newRow("shorter than head") << hex("000000000200") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
}

void TestAccountStore::countLargerThanRecordsPresent()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, present);

    AccountStore store;
    store.storeListReply(payload);
    QCOMPARE(store.list().recordCount(), present);
    if (present > 0)
        QCOMPARE(store.list().idAt(0), u"abc"_s);
    QCOMPARE(store.list().idAt(present), QString());
    QVERIFY(!store.buildRequest(tolvane::WM_ACCOUNT_INFO_REQ, present, 0).has_value());
    QCOMPARE(store.buildRequest(tolvane::WM_ACCOUNT_INFO_REQ, 0, 0).has_value(), present > 0);
}

void TestAccountStore::idWithoutTerminatorReadToFieldEnd()
{
    const QByteArray x25 = QByteArray("7800").repeated(25);
    AccountStore store;
    store.storeListReply(listReply("02000000", x25 + kAbc));
    QCOMPARE(store.list().idAt(0), QString(25, u'x'));
    QCOMPARE(store.list().idAt(1), u"abc"_s);
    const auto frame = store.buildRequest(tolvane::WM_ACCOUNT_DELETE_REQ, 0, 0);
    QVERIFY(frame.has_value());
    QCOMPARE(frame->toHex(), ("32000000"
                              "2f27" +
                              x25));
}

void TestAccountStore::bytesAfterTerminatorGoBackAsReceived()
{
    // "a", terminator, then bytes that carry no meaning.
    const QByteArray odd = "61000000" + QByteArray("ff").repeated(46);
    AccountStore store;
    store.storeListReply(listReply("01000000", odd));
    QCOMPARE(store.list().idAt(0), u"a"_s);
    const auto frame = store.buildRequest(tolvane::WM_ACCOUNT_INFO_REQ, 0, 0);
    QVERIFY(frame.has_value());
    QCOMPARE(frame->toHex(), ("36000000"
                              "3927" +
                              odd + "1f000000"));
}

void TestAccountStore::nextListReplyReplacesWhole()
{
    AccountStore store = storeWithThree();
    store.storeListReply(listReply("01000000", kXy));
    QCOMPARE(store.list().recordCount(), 1);
    QCOMPARE(store.list().idAt(0), u"xy"_s);
    QCOMPARE(store.list().idAt(1), QString());
    QVERIFY(!store.buildRequest(tolvane::WM_ACCOUNT_DELETE_REQ, 1, 0).has_value());
}

void TestAccountStore::tenThousandRecordsStoredWhole()
{
    constexpr int n = 10000;
    QByteArray payload = hex("00000000"
                             "10270000"); // count 10000
    for (int i = 0; i < n; ++i) {
        QByteArray rec(50, '\0');
        const QByteArray digits = QByteArray::number(i);
        for (int k = 0; k < digits.size(); ++k)
            rec[2 * k] = digits[k];
        payload += rec;
    }
    QCOMPARE(payload.size(), 8 + 50 * n);

    AccountStore store;
    store.storeListReply(payload);
    QCOMPARE(store.list().recordCount(), n);
    QCOMPARE(store.list().idAt(0), u"0"_s);
    QCOMPARE(store.list().idAt(5120), u"5120"_s);
    QCOMPARE(store.list().idAt(n - 1), u"9999"_s);
    const auto frame = store.buildRequest(tolvane::WM_ACCOUNT_CHANGE_REQ, n - 1, 4);
    QVERIFY(frame.has_value());
    QCOMPARE(frame->toHex(), ("37000000"
                              "4327"
                              "3900390039003900" +
                              z(42) +
                              "04000000"
                              "01"));
}

namespace {
// A full 244-byte detail reply: u32, ID "abc", u32, digest of "0123456789abcdef" twice,
// name "勇者", permission 1, authority 2, login state 1, then padding.
const QByteArray kDetailHex = "00000000" + kAbc + "1f000000" +
                              "3031323334353637383961626364656630313233343536373839616263646566" +
                              "0000" + "c7520580" + z(22) + "010201" + z(123);
} // namespace

void TestAccountStore::detailReply()
{
    QCOMPARE(hex(kDetailHex).size(), 244);
    AccountStore store;
    QCOMPARE(store.detailRecord().size(), 244);
    QCOMPARE(store.detail().id, QString());

    store.storeDetailReply(hex(kDetailHex));
    const auto d = store.detail();
    QCOMPARE(d.id, u"abc"_s);
    QCOMPARE(d.digestText, QByteArray("0123456789abcdef0123456789abcdef"));
    QCOMPARE(d.characterName, u"勇者"_s);
    QCOMPARE(d.loginPermission, quint8(1));
    QCOMPARE(d.authority, quint8(2));
    QCOMPARE(d.loginState, quint8(1));
}

void TestAccountStore::detailShorterClearsTheRest()
{
    AccountStore store;
    store.storeDetailReply(hex(kDetailHex));
    // u32 and the first three units of another account's ID: "xyz" after "abc".
    // Nothing of "abc" may show beside it.
    store.storeDetailReply(hex("00000000"
                               "780079007a00"));
    const auto d = store.detail();
    QCOMPARE(d.id, u"xyz"_s);
    QCOMPARE(d.digestText, QByteArray());
    QCOMPARE(d.characterName, QString());
    QCOMPARE(d.loginPermission, quint8(0));
    QCOMPARE(d.authority, quint8(0));
    QCOMPARE(d.loginState, quint8(0));
    QCOMPARE(store.detailRecord().toByteArray().toHex(), "00000000780079007a00" + z(234));

    store.storeDetailReply(QByteArrayView());
    QCOMPARE(store.detailRecord().toByteArray(), QByteArray(244, '\0'));
    QCOMPARE(store.detail().id, QString());
}

void TestAccountStore::detailLongerCutToRecord()
{
    AccountStore store;
    store.storeDetailReply(hex(kDetailHex + QByteArray("ee").repeated(500)));
    QCOMPARE(store.detailRecord().size(), 244);
    QCOMPARE(store.detailRecord().toByteArray().toHex(), kDetailHex);
    QCOMPARE(store.detail().loginState, quint8(1));
}

void TestAccountStore::pendingValuesCutToCapacity_data()
{
    QTest::addColumn<int>("which"); // 0 ID, 1 account password, 2 new password, 3 name
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("stored");

    const QString emoji = u"\U0001F600"_s; // two UTF-16 units
    QTest::newRow("ID 30 -> 24") << 0 << QString(30, u'i') << QString(24, u'i');
    QTest::newRow("ID 24 kept") << 0 << QString(24, u'i') << QString(24, u'i');
    QTest::newRow("password 40 -> 33") << 1 << QString(40, u'p') << QString(33, u'p');
    QTest::newRow("new password 34 -> 33") << 2 << QString(34, u'q') << QString(33, u'q');
    QTest::newRow("name 13 -> 12") << 3 << QString(13, u'名') << QString(12, u'名');
    QTest::newRow("name pair not split") << 3 << QString(11, u'n') + emoji << QString(11, u'n');
    QTest::newRow("name pair that fits")
        << 3 << QString(10, u'n') + emoji << QString(10, u'n') + emoji;
    QTest::newRow("up to first zero") << 2 << u"ab"_s + QChar(u'\0') + u"cd"_s << u"ab"_s;
}

void TestAccountStore::pendingValuesCutToCapacity()
{
    QFETCH(int, which);
    QFETCH(QString, input);
    QFETCH(QString, stored);

    AccountStore store;
    const auto& p = store.pending();
    switch (which) {
    case 0:
        store.setNewAccountId(input);
        QCOMPARE(p.newAccountId, stored);
        break;
    case 1:
        store.setNewAccountPassword(input);
        QCOMPARE(p.newAccountPassword, stored);
        break;
    case 2:
        store.setNewPassword(input);
        QCOMPARE(p.newPassword, stored);
        break;
    default:
        store.setNewCharacterName(input);
        QCOMPARE(p.newCharacterName, stored);
        break;
    }
}

QTEST_GUILESS_MAIN(TestAccountStore)
#include "TestAccountStore.moc"
