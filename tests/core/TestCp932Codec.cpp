#include "platform/Cp932Codec.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using tolvane::platform::decodeCp932;
using tolvane::platform::encodeCp932;
using tolvane::platform::foldForCp932;

class TestCp932Codec : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void decodesDuplicatesToOneCharacter_data();
    void decodesDuplicatesToOneCharacter();
    void refusesWhatCannotReadBack_data();
    void refusesWhatCannotReadBack();
    void refusalWithoutOutParameter();
    void foldsLookAlikes_data();
    void foldsLookAlikes();
    void invalidBytesBecomeReplacement_data();
    void invalidBytesBecomeReplacement();
    void neverReadsPastTheInput();
    void everyDecodedPairEncodesBack();
    void everyEncodedCharacterReadsBack();
};

void TestCp932Codec::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ascii") << u"Hi, ~\\!09"_s << QByteArray::fromHex("48692c207e5c213039");
    QTest::newRow("hiragana") << u"こちらは"_s << QByteArray::fromHex("82b182bf82e782cd");
    QTest::newRow("kanji") << u"漢字"_s << QByteArray::fromHex("8abf8e9a");
    QTest::newRow("katakana vu") << u"ヴ"_s << QByteArray::fromHex("8394");
    QTest::newRow("fullwidth tilde") << u"～"_s << QByteArray::fromHex("8160");
    QTest::newRow("eighth note") << u"♪"_s << QByteArray::fromHex("81f4");
    QTest::newRow("middle dot") << u"・"_s << QByteArray::fromHex("8145");
    QTest::newRow("acute and grave") << u"´｀"_s << QByteArray::fromHex("814c814d");
    QTest::newRow("ideographic space") << u"　"_s << QByteArray::fromHex("8140");
    QTest::newRow("fullwidth hyphen-minus") << u"－"_s << QByteArray::fromHex("817c");
    QTest::newRow("parallel to") << u"∥"_s << QByteArray::fromHex("8161");
    QTest::newRow("horizontal bar") << u"―"_s << QByteArray::fromHex("815c");
    QTest::newRow("fullwidth not sign") << u"￢"_s << QByteArray::fromHex("81ca");
    QTest::newRow("because") << u"∵"_s << QByteArray::fromHex("81e6");
    QTest::newRow("approximately equal") << u"≒"_s << QByteArray::fromHex("81e0");
    QTest::newRow("half-width katakana") << u"｡ｱｲｳﾟ"_s << QByteArray::fromHex("a1b1b2b3df");
    QTest::newRow("NEC circled one") << u"①"_s << QByteArray::fromHex("8740");
    QTest::newRow("NEC numero") << u"№"_s << QByteArray::fromHex("8782");
    QTest::newRow("NEC parenthesized kabu") << u"㈱"_s << QByteArray::fromHex("878a");
    QTest::newRow("NEC roman one") << u"Ⅰ"_s << QByteArray::fromHex("8754");
    QTest::newRow("IBM small roman one") << u"ⅰ"_s << QByteArray::fromHex("fa40");
    QTest::newRow("IBM kanji") << u"纊"_s << QByteArray::fromHex("fa5c");
    QTest::newRow("IBM last kanji") << u"髙"_s << QByteArray::fromHex("fbfc");
    QTest::newRow("user-defined first") << u"\uE000"_s << QByteArray::fromHex("f040");
    QTest::newRow("user-defined last") << u"\uE757"_s << QByteArray::fromHex("f9fc");
    QTest::newRow("mixed") << u"MI-んと！？"_s << QByteArray::fromHex("4d492d82f182c681498148");
}

void TestCp932Codec::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);

    QString unrepresentable = u"untouched"_s;
    const std::optional<QByteArray> encoded = encodeCp932(text, &unrepresentable);
    QVERIFY(encoded.has_value());
    QCOMPARE(encoded->toHex(), bytes.toHex());
    QCOMPARE(decodeCp932(bytes), text);
}

void TestCp932Codec::decodesDuplicatesToOneCharacter_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("preferred");

    // Characters present twice in the code page read back the same; writing uses one form.
    QTest::newRow("NEC-selected IBM kanji")
        << QByteArray::fromHex("ed40") << u"纊"_s << QByteArray::fromHex("fa5c");
    QTest::newRow("NEC-selected small roman one")
        << QByteArray::fromHex("eeef") << u"ⅰ"_s << QByteArray::fromHex("fa40");
    QTest::newRow("NEC-selected not sign")
        << QByteArray::fromHex("eef9") << u"￢"_s << QByteArray::fromHex("81ca");
    QTest::newRow("IBM roman one")
        << QByteArray::fromHex("fa4a") << u"Ⅰ"_s << QByteArray::fromHex("8754");
    QTest::newRow("NEC approximately equal")
        << QByteArray::fromHex("8790") << u"≒"_s << QByteArray::fromHex("81e0");
}

void TestCp932Codec::decodesDuplicatesToOneCharacter()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(QByteArray, preferred);

    QCOMPARE(decodeCp932(bytes), text);
    const std::optional<QByteArray> encoded = encodeCp932(text);
    QVERIFY(encoded.has_value());
    QCOMPARE(encoded->toHex(), preferred.toHex());
}

void TestCp932Codec::refusesWhatCannotReadBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("offending");

    QTest::newRow("wave dash") << u"〜"_s << u"〜"_s;
    QTest::newRow("wave dash inside text") << u"ab〜cd～"_s << u"〜"_s;
    QTest::newRow("emoji, reported whole") << u"x😀y"_s << u"😀"_s;
    QTest::newRow("every one, each once") << u"€a😀€¥"_s << u"€😀¥"_s;
    QTest::newRow("euro sign") << u"100€"_s << u"€"_s;
    QTest::newRow("yen sign") << u"¥500"_s << u"¥"_s;
    QTest::newRow("overline") << u"‾"_s << u"‾"_s;
    QTest::newRow("cent sign") << u"¢"_s << u"¢"_s;
    QTest::newRow("not sign") << u"¬"_s << u"¬"_s;
    QTest::newRow("minus sign") << u"−"_s << u"−"_s;
    QTest::newRow("double vertical line") << u"‖"_s << u"‖"_s;
    QTest::newRow("em dash") << u"—"_s << u"—"_s;
    QTest::newRow("C1 control") << u"\u0080"_s << u"\u0080"_s;
    QTest::newRow("hangul") << u"한"_s << u"한"_s;
    QTest::newRow("lone high surrogate") << QString(QChar(0xd800)) + u'a' << QString(QChar(0xd800));
    QTest::newRow("lone low surrogate") << QString(QChar(0xdc00)) << QString(QChar(0xdc00));
}

void TestCp932Codec::refusesWhatCannotReadBack()
{
    QFETCH(QString, text);
    QFETCH(QString, offending);

    QString unrepresentable;
    QVERIFY(!encodeCp932(text, &unrepresentable).has_value());
    QCOMPARE(unrepresentable, offending);
}

void TestCp932Codec::refusalWithoutOutParameter()
{
    QVERIFY(!encodeCp932(u"〜"_s).has_value());
}

void TestCp932Codec::foldsLookAlikes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("bytes"); // what the folded text encodes to

    QTest::newRow("wave dash") << u"10時〜12時"_s << QByteArray::fromHex("31308e9e816031328e9e");
    QTest::newRow("minus sign") << u"\u2212"_s << QByteArray::fromHex("817c");
    QTest::newRow("em dash") << u"\u2014"_s << QByteArray::fromHex("815c");
    QTest::newRow("double vertical line") << u"\u2016"_s << QByteArray::fromHex("8161");
    QTest::newRow("cent sign") << u"\u00a2"_s << QByteArray::fromHex("8191");
    QTest::newRow("pound sign") << u"\u00a3"_s << QByteArray::fromHex("8192");
    QTest::newRow("not sign") << u"\u00ac"_s << QByteArray::fromHex("81ca");
    QTest::newRow("code page forms kept")
        << u"～－―∥￠￡￢"_s << QByteArray::fromHex("8160817c815c81618191819281ca");
}

void TestCp932Codec::foldsLookAlikes()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, bytes);
    const std::optional<QByteArray> encoded = encodeCp932(foldForCp932(typed));
    QVERIFY(encoded.has_value());
    QCOMPARE(encoded->toHex(), bytes.toHex());
    // Anything else the code page cannot hold is still refused.
    QCOMPARE(foldForCp932(u"€😀"_s), u"€😀"_s);
}

void TestCp932Codec::invalidBytesBecomeReplacement_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    const QString r = u"\uFFFD"_s;
    QTest::newRow("lead byte at the end") << QByteArray::fromHex("6181") << u"a"_s + r;
    QTest::newRow("lone lead byte") << QByteArray::fromHex("e0") << r;
    QTest::newRow("lead before LF keeps the LF") << QByteArray::fromHex("810a") << r + u"\n"_s;
    QTest::newRow("lead before CR keeps the CR") << QByteArray::fromHex("810d") << r + u"\r"_s;
    QTest::newRow("lead before space") << QByteArray::fromHex("8120") << r + u" "_s;
    QTest::newRow("lead before a byte that ends nothing") << QByteArray::fromHex("81ff") << r + r;
    // Lead bytes are also trail bytes: the second one ends the first character.
    QTest::newRow("lead byte as trail") << QByteArray::fromHex("818140") << u"＝@"_s;
    QTest::newRow("unassigned pair, ASCII trail kept") << QByteArray::fromHex("8540") << r + u"@"_s;
    QTest::newRow("unassigned pair, high trail") << QByteArray::fromHex("8580") << r;
    QTest::newRow("unassigned lead EB") << QByteArray::fromHex("eb40") << r + u"@"_s;
    QTest::newRow("0x80") << QByteArray::fromHex("80") << r;
    QTest::newRow("0xA0") << QByteArray::fromHex("a0") << r;
    QTest::newRow("0xFD-0xFF") << QByteArray::fromHex("fdfeff") << r + r + r;
    QTest::newRow("valid after invalid") << QByteArray::fromHex("ff82a061") << r + u"あa"_s;
    QTest::newRow("NUL kept") << QByteArray::fromHex("00") << QString(QChar(0));
}

void TestCp932Codec::invalidBytesBecomeReplacement()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);

    QCOMPARE(decodeCp932(bytes), text);
}

void TestCp932Codec::neverReadsPastTheInput()
{
    // The byte after the view would complete the character; it must not be looked at.
    const QByteArray buffer = QByteArray::fromHex("6182a0");
    QCOMPARE(decodeCp932(QByteArrayView(buffer.constData(), 2)), u"a\uFFFD"_s);
    QCOMPARE(decodeCp932(QByteArrayView(buffer.constData() + 1, 1)), u"\uFFFD"_s);
    QCOMPARE(decodeCp932(QByteArrayView(buffer.constData(), 0)), QString());

    // A heap block of exactly the truncated size, so a sanitizer sees any overread.
    const std::unique_ptr<char[]> exact(new char[1]{char(0x82)});
    QCOMPARE(decodeCp932(QByteArrayView(exact.get(), 1)), u"\uFFFD"_s);
}

void TestCp932Codec::everyDecodedPairEncodesBack()
{
    // Whatever a file may hold must survive being read and written again (after the
    // duplicates have been folded to one form).
    int mapped = 0;
    for (int lead = 0x81; lead <= 0xfc; ++lead) {
        if (lead > 0x9f && lead < 0xe0)
            continue;
        for (int trail = 0x40; trail <= 0xfc; ++trail) {
            if (trail == 0x7f)
                continue;
            const char pair[2] = {char(lead), char(trail)};
            const QString text = decodeCp932(QByteArrayView(pair, 2));
            if (text.contains(QChar::ReplacementCharacter))
                continue;
            QCOMPARE(text.size(), 1);
            ++mapped;
            const std::optional<QByteArray> bytes = encodeCp932(text);
            if (!bytes)
                QFAIL(
                    qPrintable(u"%1 %2 does not encode back"_s.arg(lead, 0, 16).arg(trail, 0, 16)));
            QCOMPARE(decodeCp932(*bytes), text);
        }
    }
    // JIS X 0208 with the NEC and IBM extensions and the user-defined area.
    QVERIFY2(mapped > 9000, qPrintable(QString::number(mapped)));
}

void TestCp932Codec::everyEncodedCharacterReadsBack()
{
    for (char32_t c = 0; c <= 0xffff; ++c) {
        if (QChar::isSurrogate(c))
            continue;
        const QString text{QChar(char16_t(c))};
        const std::optional<QByteArray> bytes = encodeCp932(text);
        if (bytes && decodeCp932(*bytes) != text)
            QFAIL(qPrintable(u"U+%1 is stored as another character"_s.arg(quint32(c), 4, 16)));
    }
}

QTEST_GUILESS_MAIN(TestCp932Codec)
#include "TestCp932Codec.moc"
