#include "protocol/BroadcastRequest.h"
#include "protocol/PasswordDigest.h"
#include "protocol/SessionMessages.h"

#include <QTest>

using namespace tolvane;

// Request frames compared with bytes written out by hand.
class TestRequestBytes : public QObject
{
    Q_OBJECT

    static QByteArray units(const char* hexUnit, int count)
    {
        return QByteArray(hexUnit).repeated(count);
    }

private Q_SLOTS:
    void loginFrame_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("default password, 27 bytes")
            << QStringLiteral("vexodrim")
            << QByteArray::fromHex("15000000"
                                   "1127"
                                   "1200"
                                   "7600650078006f006400720069006d00"
                                   "0000"
                                   "00");
        QTest::newRow("empty password") << QString()
                                        << QByteArray::fromHex("05000000"
                                                               "1127"
                                                               "0200"
                                                               "0000"
                                                               "00");
        QTest::newRow("japanese") << QStringLiteral("鯖")
                                  << QByteArray::fromHex("07000000"
                                                         "1127"
                                                         "0400"
                                                         "d69b"
                                                         "0000"
                                                         "00");
        // 34 characters do not fit the old 68-byte field: the whole text is sent.
        QTest::newRow("34 characters") << QString(34, QLatin1Char('p'))
                                       << QByteArray::fromHex("49000000"
                                                              "1127"
                                                              "4600" +
                                                              units("7000", 34) +
                                                              "0000"
                                                              "00");
    }

    void loginFrame()
    {
        QFETCH(QString, password);
        QFETCH(QByteArray, expected);
        QCOMPARE(protocol::buildLoginRequest(password).toHex(), expected.toHex());
        QCOMPARE(protocol::parseLoginRequest(expected.sliced(6)).value_or(QStringLiteral("?")),
                 password);
    }

    void broadcastFrame_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cap");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("list line of 35: zero unit included")
            << QString(35, QLatin1Char('a')) << 72
            << QByteArray::fromHex("4a000000"
                                   "eb2e"
                                   "4800" +
                                   units("6100", 35) + "0000");
        QTest::newRow("list line of 36: no zero unit") << QString(36, QLatin1Char('a')) << 72
                                                       << QByteArray::fromHex("4a000000"
                                                                              "eb2e"
                                                                              "4800" +
                                                                              units("6100", 36));
        QTest::newRow("list line of 40: first 36 units") << QString(40, QLatin1Char('a')) << 72
                                                         << QByteArray::fromHex("4a000000"
                                                                                "eb2e"
                                                                                "4800" +
                                                                                units("6100", 36));
        QTest::newRow("live of 17: zero unit included")
            << QString(17, QChar(0x3042)) << 36
            << QByteArray::fromHex("26000000"
                                   "eb2e"
                                   "2400" +
                                   units("4230", 17) + "0000");
        QTest::newRow("live of 20: first 18 units") << QString(20, QChar(0x3042)) << 36
                                                    << QByteArray::fromHex("26000000"
                                                                           "eb2e"
                                                                           "2400" +
                                                                           units("4230", 18));
        // U+1F600 is the pair d83d de00: a cap between its halves ends the frame before
        // it, two bytes short; a pair that ends at the cap goes whole.
        QTest::newRow("list line: the cap splits a pair")
            << QString(35, QLatin1Char('a')) + QStringLiteral("\U0001F600") << 72
            << QByteArray::fromHex("48000000"
                                   "eb2e"
                                   "4600" +
                                   units("6100", 35));
        QTest::newRow("list line: a pair ends at the cap")
            << QString(34, QLatin1Char('a')) + QStringLiteral("\U0001F600b") << 72
            << QByteArray::fromHex("4a000000"
                                   "eb2e"
                                   "4800" +
                                   units("6100", 34) + "3dd800de");
        QTest::newRow("live: the cap splits a pair")
            << QString(17, QChar(0x3042)) + QStringLiteral("\U0001F600") << 36
            << QByteArray::fromHex("24000000"
                                   "eb2e"
                                   "2200" +
                                   units("4230", 17));
        QTest::newRow("empty live: 10 bytes") << QString() << 36
                                              << QByteArray::fromHex("04000000"
                                                                     "eb2e"
                                                                     "0200"
                                                                     "0000");
        QTest::newRow("percent signs travel as they stand") << QStringLiteral("%s%n") << 72
                                                            << QByteArray::fromHex("0c000000"
                                                                                   "eb2e"
                                                                                   "0a00"
                                                                                   "250073002500"
                                                                                   "6e00"
                                                                                   "0000");
    }

    void broadcastFrame()
    {
        QFETCH(QString, text);
        QFETCH(int, cap);
        QFETCH(QByteArray, expected);
        const QByteArray frame = protocol::buildBroadcastRequest(text, cap);
        QCOMPARE(frame.toHex(), expected.toHex());
        const auto parsed = protocol::parseBroadcastRequest(frame.sliced(6));
        QVERIFY(parsed);
        // The log, the reply and the preview cut where the frame does.
        QCOMPARE(protocol::textCarried(text, cap), parsed->text);
    }

    void passwordDigest_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("hex");
        QTest::newRow("ascii") << QStringLiteral("vexodrim")
                               << QByteArray("58b37370c1520a1705e381bbab7c6dd2");
        QTest::newRow("japanese, hashed as UTF-8")
            << QStringLiteral("パスワード") << QByteArray("4bdfe7e594ac464a91fa62453879bd49");
        QTest::newRow("empty") << QString() << QByteArray("d41d8cd98f00b204e9800998ecf8427e");
    }

    void passwordDigest()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, hex);
        const QByteArray field = protocol::passwordDigest(text);
        QCOMPARE(field.size(), 34);
        QCOMPARE(field.first(32), hex);
        QCOMPARE(field.sliced(32), QByteArray(2, '\0'));
    }
};

QTEST_GUILESS_MAIN(TestRequestBytes)
#include "TestRequestBytes.moc"
