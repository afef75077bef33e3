#include "FileBytes.h"

#include "FileWriteFailure.h"
#include "broadcast/MessageListStore.h"
#include "platform/HiddenFile.h"
#include "timesignal/TimeSignalFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using testsupport::allEntries;
using testsupport::readBytes;
using testsupport::writeBytes;
using namespace Qt::StringLiterals;
using namespace tolvane::timesignal;
using tolvane::platform::FileError;
using tolvane::platform::Result;

namespace {

// A schedule file of `count` well-formed entries, entry i at second i of the day.
QByteArray scheduleOf(int count)
{
    QByteArray bytes = QByteArray::number(count) + "\r\n";
    for (int i = 0; i < count; ++i) {
        bytes += QStringLiteral("%1:%2:%3,1,list%4\r\n")
                     .arg(i / 3600, 2, 10, QLatin1Char('0'))
                     .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                     .arg(i % 60, 2, 10, QLatin1Char('0'))
                     .arg(i)
                     .toLatin1();
    }
    return bytes;
}

const QByteArray kOldSchedule = "1\r\n07:00:00,1,old\r\n";

} // namespace

class TestTimeSignalFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseLine_data();
    void parseLine();
    void parseFile_data();
    void parseFile();
    void hugeCountDoesNotOverflow();
    void readFile();
    void loadScheduleTakesWellFormedLines();
    void loadScheduleReadsFirst500Entries();
    void writeTwoRows();
    void writeCutsListNameTo49();
    void writeFoldsLookAlikes();
    void keptLinesWrittenBack_data();
    void keptLinesWrittenBack();
    void keptLinesPastTheLimitNeverMoveUp();
    void writeRefusesUnrepresentable_data();
    void writeRefusesUnrepresentable();
    void writeReplacesAndReadsBack();
    void failedWriteKeepsOldFile();
    void createDefaultFile();
};

void TestTimeSignalFile::parseLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("error");
    QTest::addColumn<QString>("hour");
    QTest::addColumn<QString>("minute");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("compact");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("listName");

    const QString e;
    QTest::newRow("entry") << u"07:05:09,1,試験放送♪"_s << false << u"07"_s << u"05"_s << u"09"_s
                           << u"07:05:09"_s << u"070509"_s << true << u"試験放送♪"_s;
    QTest::newRow("disabled entry")
        << u"21:30:00,0,試験放送♪"_s << false << u"21"_s << u"30"_s << u"00"_s << u"21:30:00"_s
        << u"213000"_s << false << u"試験放送♪"_s;
    QTest::newRow("commas in the list name")
        << u"07:00:00,1,a,b"_s << false << u"07"_s << u"00"_s << u"00"_s << u"07:00:00"_s
        << u"070000"_s << true << u"a,b"_s;
    QTest::newRow("separators not examined")
        << u"07-05-09,1,x"_s << false << u"07"_s << u"05"_s << u"09"_s << u"07:05:09"_s
        << u"070509"_s << true << u"x"_s;
    QTest::newRow("second separator not examined")
        << u"07:00:00,1;x"_s << false << u"07"_s << u"00"_s << u"00"_s << u"07:00:00"_s
        << u"070000"_s << true << u"x"_s;
    QTest::newRow("name kept as it is")
        << u"00:00:00,1, a b "_s << false << u"00"_s << u"00"_s << u"00"_s << u"00:00:00"_s
        << u"000000"_s << true << u" a b "_s;
    QTest::newRow("last second of the day")
        << u"23:59:59,9,x"_s << false << u"23"_s << u"59"_s << u"59"_s << u"23:59:59"_s
        << u"235959"_s << true << u"x"_s;

    QTest::newRow("empty line") << e << true << e << e << e << e << e << false << e;
    QTest::newRow("no comma") << u"07:00:00 1 x"_s << true << e << e << e << e << e << false << e;
    QTest::newRow("short time part")
        << u"7:00:00,1,x"_s << true << e << e << e << e << e << true << u"x"_s;
    QTest::newRow("long time part")
        << u"07:00:000,1,x"_s << true << e << e << e << e << e << true << u"x"_s;
    QTest::newRow("no time part") << u",1,x"_s << true << e << e << e << e << e << true << u"x"_s;

    QTest::newRow("enabled 0") << u"07:00:00,0,x"_s << false << u"07"_s << u"00"_s << u"00"_s
                               << u"07:00:00"_s << u"070000"_s << false << u"x"_s;
    QTest::newRow("enabled letter") << u"07:00:00,y,x"_s << false << u"07"_s << u"00"_s << u"00"_s
                                    << u"07:00:00"_s << u"070000"_s << false << u"x"_s;
    QTest::newRow("enabled fullwidth digit")
        << u"07:00:00,１,x"_s << false << u"07"_s << u"00"_s << u"00"_s << u"07:00:00"_s
        << u"070000"_s << false << u"x"_s;
    QTest::newRow("nothing after the comma")
        << u"07:00:00,"_s << true << u"07"_s << u"00"_s << u"00"_s << u"07:00:00"_s << u"070000"_s
        << false << e;
    QTest::newRow("no name") << u"07:00:00,1"_s << true << u"07"_s << u"00"_s << u"00"_s
                             << u"07:00:00"_s << u"070000"_s << true << e;
    QTest::newRow("empty name") << u"07:00:00,1,"_s << true << u"07"_s << u"00"_s << u"00"_s
                                << u"07:00:00"_s << u"070000"_s << true << e;

    // A time that names no moment of the day is malformed as well.
    QTest::newRow("hour 25") << u"25:00:00,1,x"_s << true << u"25"_s << u"00"_s << u"00"_s
                             << u"25:00:00"_s << u"250000"_s << true << u"x"_s;
    QTest::newRow("hour 24") << u"24:00:00,1,x"_s << true << u"24"_s << u"00"_s << u"00"_s
                             << u"24:00:00"_s << u"240000"_s << true << u"x"_s;
    QTest::newRow("minute 60") << u"07:60:00,1,x"_s << true << u"07"_s << u"60"_s << u"00"_s
                               << u"07:60:00"_s << u"076000"_s << true << u"x"_s;
    QTest::newRow("second 60") << u"07:00:60,1,x"_s << true << u"07"_s << u"00"_s << u"60"_s
                               << u"07:00:60"_s << u"070060"_s << true << u"x"_s;
    QTest::newRow("minute 6x") << u"07:6x:00,1,x"_s << true << u"07"_s << u"6x"_s << u"00"_s
                               << u"07:6x:00"_s << u"076x00"_s << true << u"x"_s;
    QTest::newRow("letters") << u"ab:cd:ef,1,x"_s << true << u"ab"_s << u"cd"_s << u"ef"_s
                             << u"ab:cd:ef"_s << u"abcdef"_s << true << u"x"_s;
    QTest::newRow("blank for a digit") << u" 7:00:00,1,x"_s << true << u" 7"_s << u"00"_s << u"00"_s
                                       << u" 7:00:00"_s << u" 70000"_s << true << u"x"_s;
    QTest::newRow("fullwidth digits")
        << u"０７:００:００,1,x"_s << true << u"０７"_s << u"００"_s << u"００"_s
        << u"０７:００:００"_s << u"０７００００"_s << true << u"x"_s;
    QTest::newRow("sign") << u"+7:00:00,1,x"_s << true << u"+7"_s << u"00"_s << u"00"_s
                          << u"+7:00:00"_s << u"+70000"_s << true << u"x"_s;
}

void TestTimeSignalFile::parseLine()
{
    QFETCH(QString, line);

    const TimeSignalLine parsed = ParseTimeSignalLine(line);
    QTEST(parsed.error, "error");
    QTEST(parsed.hour, "hour");
    QTEST(parsed.minute, "minute");
    QTEST(parsed.second, "second");
    QTEST(parsed.displayTime, "display");
    QTEST(parsed.compactTime, "compact");
    QTEST(parsed.enabled, "enabled");
    QTEST(parsed.listName, "listName");
}

void TestTimeSignalFile::parseFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("declaredCount");
    QTest::addColumn<QStringList>("names"); // list name of each parsed line
    QTest::addColumn<QList<bool>>("errors");

    QTest::newRow("only 0") << QByteArray("0\r\n") << 0 << QStringList{} << QList<bool>{};
    QTest::newRow("empty file") << QByteArray() << 0 << QStringList{} << QList<bool>{};
    QTest::newRow("no digits") << QByteArray("x\r\n07:00:00,1,a\r\n") << 0 << QStringList{}
                               << QList<bool>{};
    QTest::newRow("blanks and text around the count")
        << QByteArray("  3abc\r\n07:00:00,1,a\r\n08:00:00,0,b\r\n09:00:00,1,c\r\n") << 3
        << QStringList{u"a"_s, u"b"_s, u"c"_s} << QList<bool>{false, false, false};
    QTest::newRow("extra lines ignored") << QByteArray("1\r\n07:00:00,1,a\r\n08:00:00,1,b\r\n") << 1
                                         << QStringList{u"a"_s} << QList<bool>{false};
    QTest::newRow("fewer lines than the count")
        << QByteArray("5\r\n07:00:00,1,a\r\n08:00:00,1,b\r\n") << 5 << QStringList{u"a"_s, u"b"_s}
        << QList<bool>{false, false};
    QTest::newRow("LF only, last line without newline")
        << QByteArray("2\n07:00:00,1,a\n08:00:00,1,b") << 2 << QStringList{u"a"_s, u"b"_s}
        << QList<bool>{false, false};
    QTest::newRow("malformed lines kept and flagged")
        << QByteArray("4\r\n\r\nno comma\r\n25:00:00,1,late\r\n07:00:00,1,a\r\n") << 4
        << QStringList{QString(), QString(), u"late"_s, u"a"_s}
        << QList<bool>{true, true, true, false};
    QTest::newRow("code page 932")
        << QByteArray::fromHex("310d0a30373a30353a30392c312c8e8e8cb195fa919781f40d0a") << 1
        << QStringList{u"試験放送♪"_s} << QList<bool>{false};
}

void TestTimeSignalFile::parseFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, names);
    QFETCH(QList<bool>, errors);

    const TimeSignalFileContents contents = parseTimeSignalFile(bytes);
    QTEST(contents.declaredCount, "declaredCount");
    QStringList parsedNames;
    QList<bool> parsedErrors;
    for (const TimeSignalLine& line : contents.lines) {
        parsedNames.append(line.listName);
        parsedErrors.append(line.error);
    }
    QCOMPARE(parsedNames, names);
    QCOMPARE(parsedErrors, errors);
}

void TestTimeSignalFile::hugeCountDoesNotOverflow()
{
    const TimeSignalFileContents contents =
        parseTimeSignalFile("99999999999999999999\r\n07:00:00,1,a\r\n");
    QCOMPARE(contents.declaredCount, std::numeric_limits<int>::max());
    QCOMPARE(contents.lines.size(), 1);
    QCOMPARE(parseTimeSignalFile("4294967297\r\n07:00:00,1,a\r\n").lines.size(), 1);
}

void TestTimeSignalFile::readFile()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    QCOMPARE(ReadTimeSignalFile(dir).error().kind, FileError::Kind::Missing);

    QVERIFY(writeBytes(dir.filePath(u"TimeSignal.cfg"_s),
                       QByteArray::fromHex("320d0a30373a30303a30302c312c8e8e8cb195fa919781f40d0a"
                                           "32313a33303a30302c302c6162630d0a")));
    const Result<TimeSignalFileContents> contents = ReadTimeSignalFile(dir);
    QVERIFY(contents.ok());
    QCOMPARE(contents->declaredCount, 2);
    QCOMPARE(contents->lines.size(), 2);
    QCOMPARE(contents->lines.at(0).displayTime, u"07:00:00"_s);
    QCOMPARE(contents->lines.at(0).listName, u"試験放送♪"_s);
    QCOMPARE(contents->lines.at(1).compactTime, u"213000"_s);
    QVERIFY(!contents->lines.at(1).enabled);

    QTemporaryDir other;
    QVERIFY(QDir(other.path()).mkdir(u"TimeSignal.cfg"_s));
    QCOMPARE(ReadTimeSignalFile(QDir(other.path())).error().kind, FileError::Kind::Unreadable);
}

void TestTimeSignalFile::loadScheduleTakesWellFormedLines()
{
    const TimeSignalFileContents contents = parseTimeSignalFile(
        "6\r\n07:00:00,1,a\r\nno comma\r\n25:00:00,1,late\r\n7:00:00,1,short\r\n"
        "08:30:15,0,b\r\n07:00:00,1,\r\n");
    const QList<TimeSignalEntry> schedule = LoadSchedule(contents);
    QCOMPARE(schedule.size(), 2);
    QCOMPARE(schedule.at(0).time, u"070000"_s);
    QCOMPARE(schedule.at(0).listName, u"a"_s);
    QVERIFY(schedule.at(0).enabled);
    QVERIFY(!schedule.at(0).fired);
    QCOMPARE(schedule.at(1).time, u"083015"_s);
    QCOMPARE(schedule.at(1).listName, u"b"_s);
    QVERIFY(!schedule.at(1).enabled);
    QVERIFY(!schedule.at(1).fired);

    QVERIFY(LoadSchedule(parseTimeSignalFile("0\r\n")).isEmpty());
}

void TestTimeSignalFile::loadScheduleReadsFirst500Entries()
{
    const TimeSignalFileContents contents = parseTimeSignalFile(scheduleOf(600));
    QCOMPARE(contents.lines.size(), 600); // nothing of the file is lost on reading
    const QList<TimeSignalEntry> schedule = LoadSchedule(contents);
    QCOMPARE(schedule.size(), 500);
    QCOMPARE(schedule.first().listName, u"list0"_s);
    QCOMPARE(schedule.last().listName, u"list499"_s);
    QCOMPARE(schedule.last().time, u"000819"_s);

    // A malformed entry among the first 500 costs its slot; entry 501 does not move up.
    QByteArray bytes = scheduleOf(600);
    bytes.replace("00:00:10,1,list10\r\n", "bad line\r\n");
    const QList<TimeSignalEntry> fewer = LoadSchedule(parseTimeSignalFile(bytes));
    QCOMPARE(fewer.size(), 499);
    QCOMPARE(fewer.at(10).listName, u"list11"_s);
    QCOMPARE(fewer.last().listName, u"list499"_s);
}

void TestTimeSignalFile::writeTwoRows()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QList<TimeSignalRow> rows = {{u"07:00:00"_s, true, u"試験放送♪"_s},
                                       {u"21:30:00"_s, false, u"試験放送♪"_s}};
    QVERIFY(WriteTimeSignalFile(dir, rows).ok());

    const QString path = dir.filePath(u"TimeSignal.cfg"_s);
    QCOMPARE(readBytes(path).toHex(),
             QByteArray::fromHex("32 0d0a"
                                 "30373a30303a3030 2c31 2c 8e8e8cb195fa919781f4 0d0a"
                                 "32313a33303a3030 2c30 2c 8e8e8cb195fa919781f4 0d0a")
                 .toHex());
    QVERIFY(tolvane::platform::isHidden(QFileInfo(path)));
    QVERIFY(tolvane::broadcast::listFileNames(dir).isEmpty());
}

void TestTimeSignalFile::writeCutsListNameTo49()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString ascii = u"abcdefghij"_s.repeated(6);
    const QString kana = QString(60, u'あ');
    // What lies past the 49th character is not written, so it is not refused either.
    const QString tail = QString(49, u'x') + u"€"_s;
    QVERIFY(WriteTimeSignalFile(dir, {{u"01:02:03"_s, true, ascii},
                                      {u"04:05:06"_s, false, kana},
                                      {u"07:08:09"_s, true, tail}})
                .ok());

    const QByteArray expected = "3\r\n01:02:03,1," + ascii.left(49).toLatin1() + "\r\n" +
                                "04:05:06,0," + QByteArray::fromHex("82a0").repeated(49) + "\r\n" +
                                "07:08:09,1," + QByteArray(49, 'x') + "\r\n";
    QCOMPARE(readBytes(dir.filePath(u"TimeSignal.cfg"_s)), expected);
}

void TestTimeSignalFile::writeFoldsLookAlikes()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    QVERIFY(WriteTimeSignalFile(dir, {{u"07:00:00"_s, true, u"10時〜"_s}}).ok());
    QCOMPARE(readBytes(dir.filePath(u"TimeSignal.cfg"_s)).toHex(),
             QByteArray("310d0a"
                        "30373a30303a30302c312c"
                        "31308e9e8160"
                        "0d0a"));
}

void TestTimeSignalFile::keptLinesWrittenBack_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("keptLines"); // as the operator is told
    QTest::addColumn<QByteArray>("written");

    // The malformed lines move behind the rows, counted and byte for byte (82a0 is
    // "あ"); what followed the counted lines stays at the end, uncounted.
    QTest::newRow("malformed and uncounted")
        << QByteArray::fromHex("340d0a"
                               "30373a30303a30302c312c410d0a" // 07:00:00,1,A
                               "82a0207e0d0a"                 // あ ~
                               "32353a30303a30302c312c620a"   // 25:00:00,1,b (LF only)
                               "30383a30303a30302c302c420d0a" // 08:00:00,0,B
                               "0d0a65787472610d0a")          // (empty), extra
        << 2 << 3
        << QByteArray::fromHex("340d0a"
                               "30373a30303a30302c312c410d0a"
                               "30383a30303a30302c302c420d0a"
                               "82a0207e0d0a"
                               "32353a30303a30302c312c620d0a"
                               "0d0a65787472610d0a");
    QTest::newRow("past the 500th") << scheduleOf(502) << 500 << 2 << scheduleOf(502);
    QTest::newRow("all shown") << kOldSchedule << 1 << 0 << kOldSchedule;
}

void TestTimeSignalFile::keptLinesWrittenBack()
{
    QFETCH(QByteArray, file);
    QFETCH(int, rows);
    QFETCH(int, keptLines);
    QFETCH(QByteArray, written);

    const TimeSignalFileContents contents = parseTimeSignalFile(file);
    const EditableSchedule schedule = splitForEditing(contents);
    QCOMPARE(schedule.rows.size(), rows);
    QCOMPARE(schedule.kept.lineCount(), keptLines);

    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    QVERIFY(WriteTimeSignalFile(dir, schedule.rows, schedule.kept).ok());
    QCOMPARE(readBytes(dir.filePath(u"TimeSignal.cfg"_s)).toHex(), written.toHex());
    // Read again, the file yields the same rows and kept lines, and the same schedule.
    const TimeSignalFileContents again = parseTimeSignalFile(written);
    QCOMPARE(splitForEditing(again).rows, schedule.rows);
    QCOMPARE(splitForEditing(again).kept.lineCount(), keptLines);
    QCOMPARE(LoadSchedule(again).size(), LoadSchedule(contents).size());
}

void TestTimeSignalFile::keptLinesPastTheLimitNeverMoveUp()
{
    // 502 entries: two kept past the 500th. The operator deletes three rows.
    EditableSchedule schedule = splitForEditing(parseTimeSignalFile(scheduleOf(502)));
    schedule.rows.remove(0, 3);
    const Result<QByteArray> written = encodeTimeSignalFile(schedule.rows, schedule.kept);
    QVERIFY(written.ok());
    const TimeSignalFileContents again = parseTimeSignalFile(*written);
    QCOMPARE(LoadSchedule(again).size(), 497);
    QCOMPARE(splitForEditing(again).kept.lineCount(), 2); // still in the file
}

void TestTimeSignalFile::writeRefusesUnrepresentable_data()
{
    QTest::addColumn<QString>("listName");
    QTest::addColumn<QString>("refused");

    QTest::newRow("euro sign") << u"放送€"_s << u"€"_s;
    QTest::newRow("several") << u"😀€😀"_s << u"😀€"_s;
    QTest::newRow("line break") << u"a\nb"_s << QString();
}

void TestTimeSignalFile::writeRefusesUnrepresentable()
{
    QFETCH(QString, listName);
    QFETCH(QString, refused);

    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QList<TimeSignalRow> rows = {{u"07:00:00"_s, true, u"ok"_s},
                                       {u"08:00:00"_s, true, listName}};
    Result<void> result = WriteTimeSignalFile(dir, rows);
    QVERIFY(!result.ok());
    QCOMPARE(result.error().kind, FileError::Kind::Unrepresentable);
    QCOMPARE(result.error().offendingText, listName);
    QCOMPARE(result.error().unrepresentable, refused);
    QVERIFY(allEntries(QDir(tmp.path())).isEmpty());

    QVERIFY(writeBytes(dir.filePath(u"TimeSignal.cfg"_s), kOldSchedule));
    result = WriteTimeSignalFile(dir, rows);
    QVERIFY(!result.ok());
    QCOMPARE(result.error().kind, FileError::Kind::Unrepresentable);
    QCOMPARE(readBytes(dir.filePath(u"TimeSignal.cfg"_s)), kOldSchedule);
}

void TestTimeSignalFile::writeReplacesAndReadsBack()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    QVERIFY(writeBytes(dir.filePath(u"TimeSignal.cfg"_s), scheduleOf(20)));

    const QList<TimeSignalRow> rows = {{u"12:00:00"_s, true, u"ミント,みんと"_s},
                                       {u"00:00:01"_s, false, u"notes.txt"_s}};
    QVERIFY(WriteTimeSignalFile(dir, rows).ok());
    const Result<TimeSignalFileContents> contents = ReadTimeSignalFile(dir);
    QVERIFY(contents.ok());
    QCOMPARE(contents->declaredCount, 2);
    QCOMPARE(contents->lines.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(!contents->lines.at(i).error);
        QCOMPARE(contents->lines.at(i).displayTime, rows.at(i).displayTime);
        QCOMPARE(contents->lines.at(i).enabled, rows.at(i).enabled);
        QCOMPARE(contents->lines.at(i).listName, rows.at(i).listName);
    }
    QCOMPARE(allEntries(QDir(tmp.path())),
             QStringList{u"TimeSignal.cfg"_s}); // no temporary file left
}

void TestTimeSignalFile::failedWriteKeepsOldFile()
{
#ifdef Q_OS_UNIX
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString path = dir.filePath(u"TimeSignal.cfg"_s);
    QVERIFY(writeBytes(path, kOldSchedule));

    QList<TimeSignalRow> rows;
    for (int i = 0; i < 100; ++i)
        rows.append({u"12:00:00"_s, true, u"a list with a longer name"_s});
    Result<void> result;
    {
        tolvane::testing::FileSizeLimit limit(64);
        QVERIFY(limit.active());
        result = WriteTimeSignalFile(dir, rows);
    }
    QVERIFY(!result.ok());
    QCOMPARE(result.error().kind, FileError::Kind::WriteFailed);
    QCOMPARE(readBytes(path), kOldSchedule);
    QCOMPARE(allEntries(QDir(tmp.path())), QStringList{u"TimeSignal.cfg"_s});
#else
    QSKIP("needs a file size limit");
#endif
}

void TestTimeSignalFile::createDefaultFile()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    QVERIFY(CreateTimeSignalFile(dir));
    const QString path = dir.filePath(u"TimeSignal.cfg"_s);
    QCOMPARE(readBytes(path).toHex(), QByteArray("300d0a"));
    QVERIFY(tolvane::platform::isHidden(QFileInfo(path)));
    const Result<TimeSignalFileContents> contents = ReadTimeSignalFile(dir);
    QVERIFY(contents.ok());
    QCOMPARE(contents->declaredCount, 0);
    QVERIFY(contents->lines.isEmpty());

    QVERIFY(!CreateTimeSignalFile(QDir(dir.filePath(u"missing"_s))));
    QVERIFY(!QFileInfo::exists(dir.filePath(u"missing"_s)));
}

QTEST_GUILESS_MAIN(TestTimeSignalFile)
#include "TestTimeSignalFile.moc"
