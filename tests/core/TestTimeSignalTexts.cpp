#include "settings/IniSettings.h"
#include "timesignal/TimeSignalTexts.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using tolvane::settings::IniSettings;
using tolvane::timesignal::readTimeSignalTexts;
using tolvane::timesignal::TimeSignalTexts;
using tolvane::timesignal::writeTimeSignalTextsOnClose;

class TestTimeSignalTexts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaultsWhenMissing();
    void readsEveryKey();
    void switchIsOnForAnyText_data();
    void switchIsOnForAnyText();
    void writesInCloseOrderAndKeepsTheRest();
};

void TestTimeSignalTexts::defaultsWhenMissing()
{
    QTemporaryDir tmp;
    const TimeSignalTexts t = readTimeSignalTexts(IniSettings(tmp.filePath(u"Tolvane.ini"_s)));
    QCOMPARE(t, TimeSignalTexts());
    QVERIFY(!t.hourlyEnabled());
    QVERIFY(!t.halfHourlyEnabled());
}

void TestTimeSignalTexts::readsEveryKey()
{
    QTemporaryDir tmp;
    QFile f(tmp.filePath(u"Tolvane.ini"_s));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Velmira]\r\n00=wrong section\r\n"
            "[timesig]\r\n00=ex\r\n30H=half head\r\n00h=hour head\r\n00F=hour tail\r\n"
            "30F=\"half tail \"\r\n");
    f.close();
    const TimeSignalTexts t = readTimeSignalTexts(IniSettings(f.fileName()));
    QCOMPARE(t.hourlyOn, u"ex"_s);
    QCOMPARE(t.halfHourlyOn, QString());
    QCOMPARE(t.hourlyHead, u"hour head"_s);
    QCOMPARE(t.hourlyTail, u"hour tail"_s);
    QCOMPARE(t.halfHourlyHead, u"half head"_s);
    QCOMPARE(t.halfHourlyTail, u"half tail "_s);
    QVERIFY(t.hourlyEnabled());
    QVERIFY(!t.halfHourlyEnabled());
}

void TestTimeSignalTexts::switchIsOnForAnyText_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("on");
    QTest::newRow("ex") << u"ex"_s << true;
    QTest::newRow("0") << u"0"_s << true;
    QTest::newRow("empty") << QString() << false;
}

void TestTimeSignalTexts::switchIsOnForAnyText()
{
    QFETCH(QString, value);
    QFETCH(bool, on);
    TimeSignalTexts t;
    t.hourlyOn = value;
    t.halfHourlyOn = value;
    QCOMPARE(t.hourlyEnabled(), on);
    QCOMPARE(t.halfHourlyEnabled(), on);
}

void TestTimeSignalTexts::writesInCloseOrderAndKeepsTheRest()
{
    QTemporaryDir tmp;
    const IniSettings settings(tmp.filePath(u"Tolvane.ini"_s));
    QVERIFY(settings.write(u"Velmira"_s, u"HostIP"_s, u"10.0.0.1"_s));

    TimeSignalTexts t;
    t.hourlyOn = u"ex"_s;
    t.hourlyHead = u"只今"_s;
    t.hourlyTail = u"をお知らせします%s"_s;
    t.halfHourlyHead = u"half"_s;
    t.halfHourlyTail = u"end"_s;
    writeTimeSignalTextsOnClose(settings, t);

    QCOMPARE(readTimeSignalTexts(settings), t);
    QCOMPARE(settings.read(u"Velmira"_s, u"HostIP"_s), u"10.0.0.1"_s);

    // Keys new to the file are added in the order they are written.
    QFile f(settings.path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QStringList keys;
    const QString text = QString::fromUtf8(f.readAll());
    const QRegularExpression keyLine(u"^(00H|30H|00|30|00F|30F)="_s,
                                     QRegularExpression::MultilineOption);
    for (auto it = keyLine.globalMatch(text); it.hasNext();)
        keys << it.next().captured(1);
    QCOMPARE(keys, (QStringList{u"00H"_s, u"30H"_s, u"00"_s, u"30"_s, u"00F"_s, u"30F"_s}));
}

QTEST_GUILESS_MAIN(TestTimeSignalTexts)
#include "TestTimeSignalTexts.moc"
