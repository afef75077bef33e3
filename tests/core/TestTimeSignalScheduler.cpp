#include "protocol/BroadcastRequest.h"
#include "timesignal/TimeSignalScheduler.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using tolvane::timesignal::TimeSignalEntry;
using tolvane::timesignal::TimeSignalScheduler;
using tolvane::timesignal::TimeSignalTexts;
using Action = TimeSignalScheduler::Action;

namespace {

// One clock tick of a scenario: when it comes, whether the scheduler is switched
// on, the actions it must yield ("T:" a sent text, "L:" a started list), and the
// fixed-signal flags afterwards (-1: not checked).
struct Tick
{
    QDateTime at;
    bool enabled = true;
    QStringList expected;
    int hourlyFired = -1;
    int halfHourlyFired = -1;
};

QDateTime at(const char* hhmmsszzz, int day = 0)
{
    const QTime t = QTime::fromString(QString::fromLatin1(hhmmsszzz), u"hh:mm:ss.zzz"_s);
    if (!t.isValid()) // a mistyped time in a table would test nothing
        qFatal("\"%s\" is no time of day", hhmmsszzz);
    return QDateTime(QDate(2024, 3, 1).addDays(day), t, Qt::UTC);
}

Tick tick(const char* time, QStringList expected = {}, int day = 0, bool enabled = true)
{
    return {at(time, day), enabled, std::move(expected)};
}

Tick flags(Tick t, int hourly, int halfHourly = -1)
{
    t.hourlyFired = hourly;
    t.halfHourlyFired = halfHourly;
    return t;
}

TimeSignalEntry entry(const QString& time, const QString& name, bool enabled = true)
{
    TimeSignalEntry e;
    e.time = time;
    e.listName = name;
    e.enabled = enabled;
    return e;
}

TimeSignalTexts texts(bool hourly, bool halfHourly, const QString& head = {},
                      const QString& tail = {})
{
    TimeSignalTexts t;
    t.hourlyOn = hourly ? u"ex"_s : QString();
    t.halfHourlyOn = halfHourly ? u"ex"_s : QString();
    t.hourlyHead = t.halfHourlyHead = head;
    t.hourlyTail = t.halfHourlyTail = tail;
    return t;
}

QStringList describe(const QList<Action>& actions)
{
    QStringList out;
    for (const Action& a : actions)
        out << (a.kind == Action::SendText ? u"T:"_s : u"L:"_s) + a.text;
    return out;
}

} // namespace

Q_DECLARE_METATYPE(QList<Tick>)
Q_DECLARE_METATYPE(QList<TimeSignalEntry>)
Q_DECLARE_METATYPE(TimeSignalTexts)

class TestTimeSignalScheduler : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scenario_data();
    void scenario();
    void composedTextIsCutOnTheWire();
    void reloadClearsEntryFlags();
    void scheduleKeepsAtMost500();
    void clearFixedFlags();
    void invalidTimeDoesNothing();
    void wholeDayWalk();

    // What --status reports as due next, against what the ticks then do.
    void nextDue_data()
    {
        QTest::addColumn<QString>("hourly");     // "00": on when not empty
        QTest::addColumn<QString>("halfHourly"); // "30"
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("signalAt"); // invalid: none
        QTest::addColumn<QString>("signalText");

        QTest::newRow("both off") << QString() << QString() << at("10:10:00.000") << QDateTime()
                                  << QString();
        QTest::newRow("next hour")
            << u"ex"_s << QString() << at("10:10:00.000") << at("11:00:00.000") << u"A11時B"_s;
        QTest::newRow("half hour first")
            << u"ex"_s << u"ex"_s << at("10:10:00.000") << at("10:30:00.000") << u"C10時30分D"_s;
        QTest::newRow("this minute, not yet sent")
            << u"ex"_s << QString() << at("10:00:00.000") << at("10:00:00.000") << u"A10時B"_s;
        QTest::newRow("over midnight")
            << u"ex"_s << QString() << at("23:10:00.000") << at("00:00:00.000", 1) << u"A00時B"_s;
    }

    void nextDue()
    {
        QFETCH(QString, hourly);
        QFETCH(QString, halfHourly);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, signalAt);
        QFETCH(QString, signalText);
        TimeSignalScheduler s;
        s.setTexts({hourly, halfHourly, u"A"_s, u"C"_s, u"B"_s, u"D"_s});
        const auto next = s.nextSignal(now);
        QCOMPARE(next.has_value(), signalAt.isValid());
        if (!next)
            return;
        QCOMPARE(next->at, signalAt);
        QCOMPARE(next->text, signalText);
        // The tick at that moment sends exactly that text, and then it is no longer next.
        const auto actions = s.TimeSignalTick(signalAt, true);
        QVERIFY(actions.contains(Action{Action::SendText, signalText}));
        QVERIFY(s.nextSignal(signalAt)->at > signalAt);
    }

    void nextList()
    {
        TimeSignalScheduler s;
        s.setSchedule({{u"120000"_s, u"noon"_s, true},
                       {u"090000"_s, u"morning"_s, true},
                       {u"110000"_s, u"off"_s, false},
                       {u"1230xx"_s, u"malformed"_s, true},
                       {u"120000"_s, u"noon too"_s, true}});
        QVERIFY(!TimeSignalScheduler().nextList(at("10:00:00.000")));
        QCOMPARE(*s.nextList(at("10:00:00.000")),
                 (TimeSignalScheduler::Due{at("12:00:00.000"), u"noon"_s}));
        // Fired today: tomorrow's, after the midnight reset.
        QCOMPARE(s.TimeSignalTick(at("12:00:00.100"), true).size(), 2);
        QCOMPARE(*s.nextList(at("12:00:00.200")),
                 (TimeSignalScheduler::Due{at("09:00:00.000", 1), u"morning"_s}));
    }
};

void TestTimeSignalScheduler::scenario_data()
{
    QTest::addColumn<TimeSignalTexts>("config");
    QTest::addColumn<QList<TimeSignalEntry>>("schedule");
    QTest::addColumn<QList<Tick>>("ticks");

    const QList<TimeSignalEntry> none;

    QTest::newRow("hourly once in minute 00, re-armed at 01")
        << texts(true, false, u"A"_s, u"B"_s) << none
        << QList<Tick>{tick("09:59:59.800"),
                       tick("10:00:00.100", {u"T:A10時B"_s}),
                       tick("10:00:00.400"),
                       flags(tick("10:00:59.900"), 1),
                       flags(tick("10:01:00.200"), 0),
                       tick("10:59:59.900"),
                       tick("11:00:00.100", {u"T:A11時B"_s})};

    QTest::newRow("switched on again within minute 00")
        << texts(true, false) << none
        << QList<Tick>{tick("10:00:00.100", {}, 0, false), tick("10:00:20.000", {}, 0, false),
                       tick("10:00:40.000", {u"T:10時"_s}), tick("10:00:40.300")};

    QTest::newRow("switched on again only at minute 01")
        << texts(true, false) << none
        << QList<Tick>{tick("10:00:00.100", {}, 0, false), tick("10:00:59.900", {}, 0, false),
                       tick("10:01:00.200"), tick("10:30:00.000")};

    QTest::newRow("no tick in minute 00: skipped, not made up")
        << texts(true, true) << none
        << QList<Tick>{tick("09:59:59.900"), tick("10:01:00.000"),
                       tick("10:29:59.950"), tick("10:30:00.250", {u"T:10時30分"_s}),
                       tick("10:59:59.900"), tick("11:00:00.200", {u"T:11時"_s})};

    QTest::newRow("half-hourly holds minutes, hourly never")
        << texts(true, true, u"【"_s, u"】"_s) << none
        << QList<Tick>{tick("21:00:00.100", {u"T:【21時】"_s}),
                       tick("21:00:05.000"),
                       flags(tick("21:30:00.100", {u"T:【21時30分】"_s}), 0, 1),
                       flags(tick("21:30:59.900"), 0, 1),
                       flags(tick("21:31:00.000"), 0, 0),
                       tick("22:30:00.000", {u"T:【22時30分】"_s})};

    QTest::newRow("hourly switch off, half-hourly on")
        << texts(false, true) << none
        << QList<Tick>{tick("21:00:00.100"), tick("21:30:00.200", {u"T:21時30分"_s})};

    QTest::newRow("format characters go out as they stand")
        << texts(true, false, u"%s%d%n%%"_s, u"%1 %2 %ls"_s) << none
        << QList<Tick>{tick("10:00:00.100", {u"T:%s%d%n%%10時%1 %2 %ls"_s})};

    QTest::newRow("both texts empty")
        << texts(true, false) << none << QList<Tick>{tick("09:00:00.500", {u"T:09時"_s})};

    QTest::newRow("entry fires at the first tick of its second only")
        << texts(false, false) << QList<TimeSignalEntry>{entry(u"070000"_s, u"朝"_s)}
        << QList<Tick>{tick("06:59:59.900"), tick("07:00:00.000", {u"L:朝"_s}),
                       tick("07:00:00.300"), tick("07:00:00.600"),
                       tick("07:00:00.900"), tick("07:00:01.200")};

    QTest::newRow("no tick in the entry's second: not that day")
        << texts(false, false) << QList<TimeSignalEntry>{entry(u"070000"_s, u"朝"_s)}
        << QList<Tick>{tick("06:59:59.900"), tick("07:00:01.100"), tick("23:59:59.900"),
                       tick("00:00:00.200", {}, 1), tick("07:00:00.050", {u"L:朝"_s}, 1)};

    QTest::newRow("no tick in 00:00:00: entries stay fired")
        << texts(false, false) << QList<TimeSignalEntry>{entry(u"070000"_s, u"朝"_s)}
        << QList<Tick>{tick("07:00:00.100", {u"L:朝"_s}), tick("23:59:59.900"),
                       tick("00:00:01.100", {}, 1),       tick("07:00:00.100", {}, 1),
                       tick("00:00:00.150", {}, 2),       tick("07:00:00.100", {u"L:朝"_s}, 2)};

    QTest::newRow("same time: both fire in one tick, in table order")
        << texts(false, false)
        << QList<TimeSignalEntry>{entry(u"120000"_s, u"A"_s), entry(u"115959"_s, u"D"_s),
                                  entry(u"120000"_s, u"C"_s, false), entry(u"120000"_s, u"B"_s)}
        << QList<Tick>{tick("11:59:59.700", {u"L:D"_s}), tick("12:00:00.000", {u"L:A"_s, u"L:B"_s}),
                       tick("12:00:00.300")};

    QTest::newRow("disabled entry never fires")
        << texts(false, false) << QList<TimeSignalEntry>{entry(u"070000"_s, u"朝"_s, false)}
        << QList<Tick>{tick("07:00:00.000"), tick("07:00:00.300"), tick("00:00:00.100", {}, 1),
                       tick("07:00:00.000", {}, 1)};

    QTest::newRow("malformed times never fire")
        << texts(false, false)
        << QList<TimeSignalEntry>{entry(u"7"_s, u"a"_s),       entry(u"07:00:00"_s, u"b"_s),
                                  entry(u"0700"_s, u"c"_s),    entry(u"０７００００"_s, u"d"_s),
                                  entry(u"7a0000"_s, u"e"_s),  entry(QString(), u"f"_s),
                                  entry(u"0700000"_s, u"g"_s), entry(u" 70000"_s, u"h"_s),
                                  entry(u"+70000"_s, u"i"_s)}
        << QList<Tick>{tick("00:00:00.100"), tick("00:00:07.100"), tick("00:07:00.100"),
                       tick("07:00:00.100"), tick("19:00:00.100")};

    QTest::newRow("switched off: flags re-armed, midnight reset runs")
        << texts(true, false) << QList<TimeSignalEntry>{entry(u"071000"_s, u"X"_s)}
        << QList<Tick>{tick("07:10:00.100", {u"L:X"_s}),
                       flags(tick("08:00:00.100", {u"T:08時"_s}), 1),
                       flags(tick("08:01:00.100", {}, 0, false), 0),
                       tick("00:00:00.100", {}, 1, false),
                       tick("07:10:00.100", {}, 1, false),
                       tick("07:10:00.400", {u"L:X"_s}, 1),
                       flags(tick("08:00:00.100", {}, 1, false), 0),
                       flags(tick("08:00:30.000", {u"T:08時"_s}, 1), 1)};

    QTest::newRow("entry at 00:00:00 fires once per day")
        << texts(true, false) << QList<TimeSignalEntry>{entry(u"000000"_s, u"M"_s)}
        << QList<Tick>{
               tick("23:59:59.900", {}, -1), tick("00:00:00.000", {u"T:00時"_s, u"L:M"_s}),
               tick("00:00:00.300"),         tick("00:00:00.600"),
               tick("00:00:00.900"),         tick("00:00:01.200"),
               tick("00:01:00.000"),         tick("00:00:00.100", {u"T:00時"_s, u"L:M"_s}, 1),
               tick("00:00:00.400", {}, 1),  tick("00:00:00.700", {}, 1)};

    QTest::newRow("entry at 23:59:59 fires again the next day")
        << texts(false, false) << QList<TimeSignalEntry>{entry(u"235959"_s, u"Z"_s)}
        << QList<Tick>{tick("23:59:59.100", {u"L:Z"_s}), tick("23:59:59.400"),
                       tick("00:00:00.000", {}, 1), tick("23:59:59.300", {u"L:Z"_s}, 1)};
}

void TestTimeSignalScheduler::scenario()
{
    QFETCH(TimeSignalTexts, config);
    QFETCH(QList<TimeSignalEntry>, schedule);
    QFETCH(QList<Tick>, ticks);

    TimeSignalScheduler s;
    s.setTexts(config);
    s.setSchedule(schedule);
    for (const Tick& t : ticks) {
        const QString where = t.at.toString(u"yyyy-MM-dd hh:mm:ss.zzz"_s);
        const QStringList got = describe(s.TimeSignalTick(t.at, t.enabled));
        QVERIFY2(got == t.expected, qPrintable(where + u": got ["_s + got.join(u',') +
                                               u"] expected ["_s + t.expected.join(u',') + u']'));
        if (t.hourlyFired >= 0)
            QVERIFY2(s.hourlyFired() == bool(t.hourlyFired), qPrintable(where));
        if (t.halfHourlyFired >= 0)
            QVERIFY2(s.halfHourlyFired() == bool(t.halfHourlyFired), qPrintable(where));
    }
}

void TestTimeSignalScheduler::composedTextIsCutOnTheWire()
{
    TimeSignalScheduler s;
    s.setTexts(texts(true, false, QString(30, u'a'), u"bcdefghijk"_s));
    const QList<Action> actions = s.TimeSignalTick(at("10:00:00.100"), true);
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions[0].kind, Action::SendText);
    QCOMPARE(actions[0].text.size(), 43);

    // Header: length 74, command 12011; then N = 72 and the first 36 units, no terminator.
    const QByteArray expected = QByteArray::fromHex("4a000000eb2e"
                                                    "4800" +
                                                    QByteArray("6100").repeated(30) +
                                                    "3100"
                                                    "3000"
                                                    "4266"
                                                    "6200"
                                                    "6300"
                                                    "6400");
    QCOMPARE(tolvane::protocol::buildBroadcastRequest(actions[0].text, tolvane::protocol::kLineCap)
                 .toHex(),
             expected.toHex());
}

void TestTimeSignalScheduler::reloadClearsEntryFlags()
{
    TimeSignalScheduler s;
    s.setSchedule({entry(u"070000"_s, u"A"_s), entry(u"070000"_s, u"B"_s, false)});
    QCOMPARE(describe(s.TimeSignalTick(at("07:00:00.100"), true)), QStringList{u"L:A"_s});
    QVERIFY(s.schedule()[0].fired);
    QVERIFY(!s.schedule()[1].fired);
    QVERIFY(describe(s.TimeSignalTick(at("07:00:00.400"), true)).isEmpty());

    // A reload within the same second lets the entry go again; fixed flags are kept.
    QList<TimeSignalEntry> reloaded = s.schedule();
    reloaded[1].fired = true;
    s.setSchedule(reloaded);
    QVERIFY(!s.schedule()[0].fired && !s.schedule()[1].fired);
    QCOMPARE(describe(s.TimeSignalTick(at("07:00:00.700"), true)), QStringList{u"L:A"_s});
}

void TestTimeSignalScheduler::scheduleKeepsAtMost500()
{
    QList<TimeSignalEntry> big;
    for (int i = 0; i < 501; ++i)
        big << entry(u"120000"_s, QString::number(i));
    TimeSignalScheduler s;
    s.setSchedule(big);
    QCOMPARE(s.schedule().size(), 500);
    const QList<Action> actions = s.TimeSignalTick(at("12:00:00.000"), true);
    QCOMPARE(actions.size(), 500);
    QCOMPARE(actions.last().text, u"499"_s);
}

void TestTimeSignalScheduler::clearFixedFlags()
{
    TimeSignalScheduler s;
    s.setTexts(texts(true, true));
    s.TimeSignalTick(at("10:00:00.100"), true);
    QVERIFY(s.hourlyFired());
    s.clearFixedFlags();
    QVERIFY(!s.hourlyFired());
    QCOMPARE(describe(s.TimeSignalTick(at("10:00:00.400"), true)), QStringList{u"T:10時"_s});
    s.TimeSignalTick(at("10:30:00.100"), true);
    QVERIFY(s.halfHourlyFired());
    s.clearFixedFlags();
    QVERIFY(!s.halfHourlyFired());
}

void TestTimeSignalScheduler::invalidTimeDoesNothing()
{
    TimeSignalScheduler s;
    s.setTexts(texts(true, true));
    s.setSchedule({entry(u"000000"_s, u"A"_s)});
    QVERIFY(s.TimeSignalTick(QDateTime(), true).isEmpty());
    QVERIFY(!s.hourlyFired());
    QVERIFY(!s.schedule()[0].fired);
}

// A whole day on an injected clock: a tick every 300 ms, each a few ms late. Every
// fixed signal and every enabled entry must go out exactly once, at the first tick
// of its second, and in the order of the day.
void TestTimeSignalScheduler::wholeDayWalk()
{
    QRandomGenerator rng(20240301);
    QList<TimeSignalEntry> schedule{
        entry(u"000000"_s, u"midnight"_s), entry(u"235959"_s, u"last"_s),
        entry(u"120000"_s, u"noonA"_s),    entry(u"120000"_s, u"noonOff"_s, false),
        entry(u"120000"_s, u"noonB"_s),    entry(u"000000"_s, u"midnightOff"_s, false),
        entry(u"070000"_s, u"seven"_s),    entry(u"003000"_s, u"halfPastMidnight"_s),
        entry(u"7"_s, u"malformed"_s),     entry(u"235959"_s, u"last2"_s)};
    for (int i = 0; schedule.size() < 32; ++i) {
        const int sec = int(rng.bounded(86400));
        const QString time = u"%1%2%3"_s.arg(sec / 3600, 2, 10, QChar(u'0'))
                                 .arg(sec / 60 % 60, 2, 10, QChar(u'0'))
                                 .arg(sec % 60, 2, 10, QChar(u'0'));
        schedule << entry(time, u"random%1"_s.arg(i), i % 4 != 3);
    }

    // What the day must bring, second by second, computed without the scheduler.
    QList<QPair<int, QString>> expected; // second of the day, described action
    for (int sec = 0; sec < 86400; ++sec) {
        const int h = sec / 3600, m = sec / 60 % 60, ss = sec % 60;
        if (m == 0 && ss == 0)
            expected.emplaceBack(sec, u"T:<%1時>"_s.arg(h, 2, 10, QChar(u'0')));
        if (m == 30 && ss == 0)
            expected.emplaceBack(sec, u"T:<%1時30分>"_s.arg(h, 2, 10, QChar(u'0')));
        for (const TimeSignalEntry& e : schedule) {
            bool ok = false;
            if (e.enabled && e.time.size() == 6 && e.time.toInt(&ok) == h * 10000 + m * 100 + ss &&
                ok)
                expected.emplaceBack(sec, u"L:"_s + e.listName);
        }
    }
    QCOMPARE(std::count_if(expected.cbegin(), expected.cend(),
                           [](const auto& p) { return p.second.startsWith(u"T:"_s); }),
             48);

    TimeSignalScheduler s;
    s.setTexts(texts(true, true, u"<"_s, u">"_s));
    s.setSchedule(schedule);
    const QDateTime midnight(QDate(2024, 3, 1), QTime(0, 0), Qt::UTC);
    QList<QPair<int, QString>> actual;
    int previousSecond = -1;
    for (qint64 k = 0; k * 300 < 86'400'000; ++k) {
        const qint64 ms = k * 300 + rng.bounded(6);
        const int second = int(ms / 1000);
        const QList<Action> actions = s.TimeSignalTick(midnight.addMSecs(ms), true);
        if (!actions.isEmpty() && second == previousSecond)
            QFAIL(qPrintable(u"an action later than the first tick of second %1"_s.arg(second)));
        for (const QString& a : describe(actions))
            actual.emplaceBack(second, a);
        previousSecond = second;
    }

    QCOMPARE(actual.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QCOMPARE(actual[i].second, expected[i].second);
        QCOMPARE(actual[i].first, expected[i].first);
    }
}

QTEST_GUILESS_MAIN(TestTimeSignalScheduler)
#include "TestTimeSignalScheduler.moc"
