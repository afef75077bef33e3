#include "admin/AccountStore.h"

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
    void cutToCapacity_data();
    void cutToCapacity();
};

void TestAccountStore::beforeFirstReplyCountIsZero()
{
    const AccountStore store;
    QCOMPARE(store.list().recordCount(), 0);
    QCOMPARE(store.list().declaredCount(), 0);
    QCOMPARE(store.list().idAt(0), QString());
    QVERIFY(store.list().accountAt(0).isNull());
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
    QCOMPARE(store.list().accountAt(1).field().toHex(), kYusha);
    QCOMPARE(store.list().accountAt(1).text(), u"勇者"_s);
    QVERIFY(store.list().accountAt(3).isNull());
    QVERIFY(store.list().accountAt(-1).isNull());
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
    QVERIFY(store.list().accountAt(present).isNull());
    QCOMPARE(store.list().accountAt(0).isNull(), present == 0);
}

void TestAccountStore::idWithoutTerminatorReadToFieldEnd()
{
    const QByteArray x25 = QByteArray("7800").repeated(25);
    AccountStore store;
    store.storeListReply(listReply("02000000", x25 + kAbc));
    QCOMPARE(store.list().idAt(0), QString(25, u'x'));
    QCOMPARE(store.list().idAt(1), u"abc"_s);
    QCOMPARE(store.list().accountAt(0).field().toHex(), x25);
    QCOMPARE(store.list().accountAt(0).text(), QString(25, u'x'));
}

void TestAccountStore::bytesAfterTerminatorGoBackAsReceived()
{
    // "a", terminator, then bytes that carry no meaning.
    const QByteArray odd = "61000000" + QByteArray("ff").repeated(46);
    AccountStore store;
    store.storeListReply(listReply("01000000", odd));
    QCOMPARE(store.list().idAt(0), u"a"_s);
    QCOMPARE(store.list().accountAt(0).field().toHex(), odd);
    QCOMPARE(store.list().accountAt(0).text(), u"a"_s);
}

void TestAccountStore::nextListReplyReplacesWhole()
{
    AccountStore store = storeWithThree();
    store.storeListReply(listReply("01000000", kXy));
    QCOMPARE(store.list().recordCount(), 1);
    QCOMPARE(store.list().idAt(0), u"xy"_s);
    QCOMPARE(store.list().idAt(1), QString());
    QVERIFY(store.list().accountAt(1).isNull());
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
    QCOMPARE(store.list().accountAt(n - 1).field().toHex(), "3900390039003900" + z(42));
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

void TestAccountStore::cutToCapacity_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("cut");

    const QString emoji = u"\U0001F600"_s; // two UTF-16 units
    QTest::newRow("ID 30 -> 24") << 24 << QString(30, u'i') << QString(24, u'i');
    QTest::newRow("ID 24 kept") << 24 << QString(24, u'i') << QString(24, u'i');
    QTest::newRow("password 40 -> 33") << 33 << QString(40, u'p') << QString(33, u'p');
    QTest::newRow("name 13 -> 12") << 12 << QString(13, u'名') << QString(12, u'名');
    QTest::newRow("name pair not split") << 12 << QString(11, u'n') + emoji << QString(11, u'n');
    QTest::newRow("name pair that fits")
        << 12 << QString(10, u'n') + emoji << QString(10, u'n') + emoji;
    QTest::newRow("up to first zero") << 33 << u"ab"_s + QChar(u'\0') + u"cd"_s << u"ab"_s;
    QTest::newRow("negative capacity") << -1 << u"ab"_s << QString();
}

void TestAccountStore::cutToCapacity()
{
    QFETCH(int, capacity);
    QFETCH(QString, input);
    QFETCH(QString, cut);
    QCOMPARE(tolvane::admin::cutToCapacity(input, capacity), cut);
}

QTEST_GUILESS_MAIN(TestAccountStore)
#include "TestAccountStore.moc"
