#include "settings/ProfileName.h"

#include <QTest>

using namespace Qt::StringLiterals;

// A profile is a folder: its name must be one on Windows and on Linux alike.
class TestProfileName : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void names_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("error"); // a word the refusal holds; empty: accepted
        QTest::newRow("plain") << u"live"_s << QString();
        QTest::newRow("Japanese") << u"本番ワールド"_s << QString();
        QTest::newRow("space inside") << u"test world"_s << QString();
        QTest::newRow("leading dot") << u".hidden"_s << QString();
        QTest::newRow("64 characters") << QString(64, u'x') << QString();
        QTest::newRow("64 with pairs")
            << QString(32, u'x') + u"\U0001F600"_s.repeated(32) << QString();
        QTest::newRow("COM0 is no device") << u"COM0"_s << QString();
        QTest::newRow("CONSOLE is no device") << u"CONSOLE"_s << QString();
        QTest::newRow("exact match of an existing one") << u"World"_s << QString();

        QTest::newRow("empty") << QString() << u"empty"_s;
        QTest::newRow(".") << u"."_s << u"\".\""_s;
        QTest::newRow("..") << u".."_s << u"\"..\""_s;
        QTest::newRow("slash") << u"a/b"_s << u"/"_s;
        QTest::newRow("backslash") << u"a\\b"_s << u"\\"_s;
        QTest::newRow("climbing") << u"../etc"_s << u"/"_s;
        QTest::newRow("newline") << u"a\nb"_s << u"control"_s;
        QTest::newRow("tab") << u"a\tb"_s << u"control"_s;
        QTest::newRow("delete") << u"a\x7f"_s << u"control"_s;
        QTest::newRow("colon") << u"c:world"_s << u"<"_s;
        QTest::newRow("star") << u"w*"_s << u"<"_s;
        QTest::newRow("trailing dot") << u"world."_s << u"dot"_s;
        QTest::newRow("trailing space") << u"world "_s << u"space"_s;
        QTest::newRow("CON") << u"CON"_s << u"device"_s;
        QTest::newRow("nul, lower case") << u"nul"_s << u"device"_s;
        QTest::newRow("COM1 with an extension") << u"Com1.world"_s << u"device"_s;
        QTest::newRow("LPT9") << u"LPT9"_s << u"device"_s;
        QTest::newRow("65 characters") << QString(65, u'x') << u"64"_s;
        QTest::newRow("only by case") << u"world"_s << u"only by case"_s;
    }

    void names()
    {
        QFETCH(QString, name);
        QFETCH(QString, error);
        const QString refusal = tolvane::settings::profileNameError(name, {u"World"_s, u"test"_s});
        if (error.isEmpty())
            QCOMPARE(refusal, QString());
        else
            QVERIFY2(refusal.contains(error), qPrintable(refusal));
    }
};

QTEST_GUILESS_MAIN(TestProfileName)
#include "TestProfileName.moc"
