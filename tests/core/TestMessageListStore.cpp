#include "FileBytes.h"

#include "FileWriteFailure.h"
#include "broadcast/MessageListStore.h"
#include "platform/HiddenFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using testsupport::allEntries;
using testsupport::readBytes;
using testsupport::writeBytes;
using namespace Qt::StringLiterals;
using namespace tolvane::broadcast;
using tolvane::platform::FileError;
using tolvane::platform::Result;

namespace {

// The sample list's file, line by line.
const QByteArray kSampleFileHex =
    "3130 0d0a"
    "82b182bf82e782cd 0d0a"
    "83948346838b837e83898e498a4a94ad959495fa919789db82c582b781f4 0d0a"
    "82bd82be82a282dc83658358836795fa919782f08d7382c182c482a282dc"
    "82b781458145 0d0a"
    "837e83938367838a834182c68cbe82a682ce 0d0a"
    "8d878cbe977482cd8148 0d0a"
    "837e839383678149 0d0a"
    "82dd82f182c68149 0d0a"
    "4d492d82f182c681498148 0d0a"
    "83658358836795fa919782f08f4997b982b582dc82b781f4 0d0a"
    "81698147814c815b814d816a 0d0a";

} // namespace

class TestMessageListStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sampleListFileBytes();
    void encodeLayout_data();
    void encodeLayout();
    void parse_data();
    void parse();
    void hugeCountIsCapped();
    void readListFile();
    void readListFileRefusesWhatIsNoList();
    void writeReplacesAndReadsBack();
    void foldsLookAlikes();
    void refusesUnrepresentable_data();
    void refusesUnrepresentable();
    void refusesInvalidTitle_data();
    void refusesInvalidTitle();
    void failedWriteKeepsOldFile();
    void listNames();
    void findListByName_data();
    void findListByName();
    void deletesOnlyAListFile();
};

void TestMessageListStore::sampleListFileBytes()
{
    const MessageList sample = sampleList();
    QCOMPARE(sample.title, u"試験放送♪"_s);
    QCOMPARE(sample.lines.size(), 10);

    const Result<QByteArray> bytes = encodeListFile(sample.lines);
    QVERIFY(bytes.ok());
    QCOMPARE(bytes->toHex(), QByteArray::fromHex(kSampleFileHex).toHex());

    QTemporaryDir dir;
    QVERIFY(WriteListFile(QDir(dir.path()), sample.title, sample.lines).ok());
    QCOMPARE(readBytes(dir.filePath(u"試験放送♪"_s)).toHex(),
             QByteArray::fromHex(kSampleFileHex).toHex());
}

void TestMessageListStore::encodeLayout_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("hex");

    QTest::newRow("a and b") << QStringList{u"a"_s, u"b"_s} << QByteArray("320d0a610d0a620d0a");
    QTest::newRow("no lines") << QStringList{} << QByteArray("300d0a");
    QTest::newRow("empty line") << QStringList{QString()} << QByteArray("310d0a0d0a");
    QTest::newRow("twelve lines, two-digit count")
        << QStringList(12, u"x"_s) << QByteArray("31320d0a" + QByteArray("780d0a").repeated(12));
    QTest::newRow("kana") << QStringList{u"ｱ～"_s} << QByteArray("310d0ab181600d0a");
}

void TestMessageListStore::encodeLayout()
{
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, hex);

    const Result<QByteArray> bytes = encodeListFile(lines);
    QVERIFY(bytes.ok());
    QCOMPARE(bytes->toHex(), QByteArray::fromHex(hex).toHex());
}

void TestMessageListStore::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    const QString e;
    QTest::newRow("count 3, five lines")
        << QByteArray("3\r\na\r\nb\r\nc\r\nd\r\ne\r\n") << QStringList{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("count 5, three lines")
        << QByteArray("5\r\na\r\nb\r\nc\r\n") << QStringList{u"a"_s, u"b"_s, u"c"_s, e, e};
    QTest::newRow("count only") << QByteArray("2") << QStringList{e, e};
    QTest::newRow("no digits") << QByteArray("x3\r\na\r\n") << QStringList{};
    QTest::newRow("empty first line") << QByteArray("\r\na\r\n") << QStringList{};
    QTest::newRow("zero") << QByteArray("0\r\na\r\n") << QStringList{};
    QTest::newRow("sign is no digit") << QByteArray("-2\r\na\r\nb\r\n") << QStringList{};
    QTest::newRow("leading blanks")
        << QByteArray(" \t 2\r\na\r\nb\r\n") << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("3abc") << QByteArray("3abc\r\na\r\nb\r\nc\r\nd\r\n")
                          << QStringList{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("leading zeros")
        << QByteArray("002\r\na\r\nb\r\n") << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("LF only") << QByteArray("2\na\nb\n") << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("mixed line ends")
        << QByteArray("3\na\r\nb\nc\r\n") << QStringList{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("CR not before LF is kept")
        << QByteArray("2\r\na\rb\r\nc\r\r\n") << QStringList{u"a\rb"_s, u"c\r"_s};
    QTest::newRow("last line without newline")
        << QByteArray("2\r\na\r\nb") << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("empty lines are lines")
        << QByteArray("3\r\n\r\nb\r\n\r\n") << QStringList{e, u"b"_s, e};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("code page 932") << QByteArray::fromHex("320d0a82b182bf82e782cd0d0a816081f40d0a")
                                   << QStringList{u"こちらは"_s, u"～♪"_s};
    QTest::newRow("bad byte does not swallow the line end")
        << QByteArray::fromHex("320d0a810d0a610d0a") << QStringList{u"\uFFFD"_s, u"a"_s};
}

void TestMessageListStore::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);

    QCOMPARE(parseListFile(bytes), lines);
}

void TestMessageListStore::hugeCountIsCapped()
{
    const QStringList lines = parseListFile("99999999999999999999\r\na\r\nb\r\n");
    QCOMPARE(lines.size(), kMaxListLines);
    QCOMPARE(lines.at(0), u"a"_s);
    QCOMPARE(lines.at(1), u"b"_s);
    QVERIFY(lines.at(2).isEmpty());
    QVERIFY(lines.last().isEmpty());

    // Just above what an int holds: a wrapped count would be negative and give nothing.
    QCOMPARE(parseListFile("4294967297\r\na\r\n").size(), kMaxListLines);
    QCOMPARE(parseListFile(QByteArray::number(kMaxListLines + 1) + "\r\n").size(), kMaxListLines);
}

void TestMessageListStore::readListFile()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    QVERIFY(writeBytes(dir.filePath(u"notes.txt"_s), "2\r\nfirst\r\n\x82\xa0\r\nthird\r\n"));

    const Result<QStringList> lines = ReadListFile(dir, u"notes.txt"_s);
    QVERIFY(lines.ok());
    QCOMPARE(*lines, (QStringList{u"first"_s, u"あ"_s}));

    QCOMPARE(ReadListFile(dir, u"missing"_s).error().kind, FileError::Kind::Missing);
}

void TestMessageListStore::readListFileRefusesWhatIsNoList()
{
    QTemporaryDir tmp;
    const QDir root(tmp.path());
    QVERIFY(root.mkdir(u"data"_s));
    const QDir dir(root.filePath(u"data"_s));
    QVERIFY(dir.mkdir(u"sub"_s));
    QVERIFY(writeBytes(root.filePath(u"outside"_s), "1\r\nsecret\r\n"));

    QCOMPARE(ReadListFile(dir, u"sub"_s).error().kind, FileError::Kind::Unreadable);
    QCOMPARE(ReadListFile(dir, u"../outside"_s).error().kind, FileError::Kind::InvalidName);
    QCOMPARE(ReadListFile(dir, QString()).error().kind, FileError::Kind::InvalidName);
}

void TestMessageListStore::writeReplacesAndReadsBack()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QStringList longList = {u"one"_s, u"two"_s, u"three"_s, u"four"_s, u"five"_s};
    QVERIFY(WriteListFile(dir, u"list"_s, longList).ok());
    const QStringList lines = {u"ミント！"_s, u"MI-んと！？"_s};
    QVERIFY(WriteListFile(dir, u"list"_s, lines).ok());

    QCOMPARE(
        readBytes(dir.filePath(u"list"_s)).toHex(),
        QByteArray::fromHex("32 0d0a 837e839383678149 0d0a 4d492d82f182c681498148 0d0a").toHex());
    QCOMPARE(ReadListFile(dir, u"list"_s).valueOr({u"<none>"_s}), lines);
    QCOMPARE(allEntries(QDir(tmp.path())), QStringList{u"list"_s}); // no temporary file left
}

void TestMessageListStore::foldsLookAlikes()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    QVERIFY(WriteListFile(dir, u"10時〜12時"_s, {u"−5℃ — ¢£¬ ‖"_s}).ok());
    // The file is named by the folded title, which is what the schedule and the
    // settings store.
    QCOMPARE(listFileNames(dir), QStringList{u"10時～12時"_s});
    QCOMPARE(readBytes(dir.filePath(u"10時～12時"_s)).toHex(),
             QByteArray("310d0a817c35818e20815c2081918192"
                        "81ca2081610d0a"));
}

void TestMessageListStore::refusesUnrepresentable_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("offending");
    QTest::addColumn<QString>("refused"); // the characters named to the operator

    QTest::newRow("title with euro sign")
        << u"放送€"_s << QStringList{u"a"_s} << u"放送€"_s << u"€"_s;
    QTest::newRow("line with euro sign")
        << u"list"_s << QStringList{u"ok"_s, u"100€です"_s, u"ok"_s} << u"100€です"_s << u"€"_s;
    QTest::newRow("line with several")
        << u"list"_s << QStringList{u"x😀€y😀"_s} << u"x😀€y😀"_s << u"😀€"_s;
    QTest::newRow("line with a line break")
        << u"list"_s << QStringList{u"a\nb"_s} << u"a\nb"_s << QString();
}

void TestMessageListStore::refusesUnrepresentable()
{
    QFETCH(QString, title);
    QFETCH(QStringList, lines);
    QFETCH(QString, offending);
    QFETCH(QString, refused);

    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const Result<void> result = WriteListFile(dir, title, lines);
    QVERIFY(!result.ok());
    QCOMPARE(result.error().kind, FileError::Kind::Unrepresentable);
    QCOMPARE(result.error().offendingText, offending);
    QCOMPARE(result.error().unrepresentable, refused);
    QVERIFY(allEntries(QDir(tmp.path())).isEmpty());

    // An existing list of that name stays as it was.
    const QString path = dir.filePath(title);
    QVERIFY(writeBytes(path, "1\r\nold\r\n"));
    QCOMPARE(WriteListFile(dir, title, lines).error().kind, FileError::Kind::Unrepresentable);
    QCOMPARE(readBytes(path), QByteArray("1\r\nold\r\n"));
}

void TestMessageListStore::refusesInvalidTitle_data()
{
    QTest::addColumn<QString>("title");

    QTest::newRow("empty") << QString();
    QTest::newRow("dot") << u"."_s;
    QTest::newRow("dot dot") << u".."_s;
    QTest::newRow("slash") << u"a/b"_s;
    QTest::newRow("parent") << u"../escape"_s;
    QTest::newRow("line break") << u"a\nb"_s;
    QTest::newRow("NUL") << u"a"_s + QChar(0) + u'b';
    QTest::newRow("schedule file") << u"TimeSignal.cfg"_s;
    QTest::newRow("schedule file, other case") << u"timesignal.CFG"_s;
#ifdef Q_OS_WIN
    QTest::newRow("backslash") << u"a\\b"_s;
    QTest::newRow("colon") << u"a:b"_s;
    QTest::newRow("question mark") << u"what?"_s;
    QTest::newRow("device name") << u"con.txt"_s;
    QTest::newRow("trailing dot") << u"list."_s;
#else
    QTest::newRow("dot file") << u".hidden"_s;
    QTest::newRow("name too long") << QString(86, u'あ'); // 258 bytes as a file name
#endif
}

void TestMessageListStore::refusesInvalidTitle()
{
    QFETCH(QString, title);

    QTemporaryDir tmp;
    const QDir root(tmp.path());
    QVERIFY(root.mkdir(u"data"_s));
    QVERIFY(root.mkdir(u"a"_s));
    const QDir dir(root.filePath(u"data"_s));

    const Result<void> result = WriteListFile(dir, title, {u"x"_s});
    QVERIFY(!result.ok());
    QCOMPARE(result.error().kind, FileError::Kind::InvalidName);
    QCOMPARE(result.error().offendingText, title);
    QVERIFY(allEntries(QDir(dir.path())).isEmpty());
    QCOMPARE(allEntries(QDir(root.path())), (QStringList{u"a"_s, u"data"_s}));
    QVERIFY(allEntries(QDir(root.filePath(u"a"_s))).isEmpty());
}

void TestMessageListStore::failedWriteKeepsOldFile()
{
#ifdef Q_OS_UNIX
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString path = dir.filePath(u"list"_s);
    QVERIFY(WriteListFile(dir, u"list"_s, {u"old"_s}).ok());

    Result<void> result;
    {
        tolvane::testing::FileSizeLimit limit(64);
        QVERIFY(limit.active());
        result = WriteListFile(dir, u"list"_s, QStringList(200, u"a new line"_s));
    }
    QVERIFY(!result.ok());
    QCOMPARE(result.error().kind, FileError::Kind::WriteFailed);
    QVERIFY(!result.error().message.isEmpty());
    QCOMPARE(readBytes(path), QByteArray("1\r\nold\r\n"));
    QCOMPARE(allEntries(QDir(tmp.path())), QStringList{u"list"_s});
#else
    QSKIP("needs a file size limit");
#endif
}

void TestMessageListStore::listNames()
{
    QTemporaryDir tmp;
    QDir dir(tmp.path());
    for (const QString& name :
         {u"試験放送♪"_s, u"notes.txt"_s, u"archive.tar.gz"_s, u".hidden"_s, u"TimeSignal.cfg"_s})
        QVERIFY(writeBytes(dir.filePath(name), "0\r\n"));
    // Windows hides by attribute, not by a leading dot; the schedule file stays out by
    // its name even when it has lost its attribute.
    QVERIFY(tolvane::platform::setHidden(dir.filePath(u".hidden"_s)));
    QVERIFY(dir.mkdir(u"sub"_s));
    QVERIFY(dir.mkdir(u"subdir.txt"_s));
#ifdef Q_OS_UNIX
    QVERIFY(QFile::link(dir.filePath(u"sub"_s), dir.filePath(u"link to dir"_s)));
    QVERIFY(QFile::link(dir.filePath(u"notes.txt"_s), dir.filePath(u"link to file"_s)));
#endif
    // A name filter set on the directory plays no part.
    dir.setNameFilters({u"*.txt"_s});

    QStringList names = listFileNames(dir);
    names.sort();
    QStringList expected = {u"試験放送♪"_s, u"notes.txt"_s, u"archive.tar.gz"_s};
#ifdef Q_OS_UNIX
    expected.append(u"link to file"_s);
#endif
    expected.sort();
    QCOMPARE(names, expected);

    QTemporaryDir empty;
    QVERIFY(listFileNames(QDir(empty.path())).isEmpty());
}

void TestMessageListStore::findListByName_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");

    QTest::newRow("longer entry after index 0 wins")
        << QStringList{u"abc"_s, u"abcd"_s} << u"abc"_s << 1;
    QTest::newRow("case ignored") << QStringList{u"abc"_s} << u"ABC"_s << 0;
    QTest::newRow("none") << QStringList{u"abc"_s, u"abcd"_s} << u"none"_s << -1;
    QTest::newRow("first match from index 1")
        << QStringList{u"x"_s, u"abc"_s, u"abcd"_s} << u"ab"_s << 1;
    QTest::newRow("index 0 examined last")
        << QStringList{u"abc"_s, u"x"_s, u"abcx"_s} << u"ABC"_s << 2;
    QTest::newRow("wraps to index 0") << QStringList{u"abcd"_s, u"x"_s} << u"abc"_s << 0;
    QTest::newRow("name longer than entry") << QStringList{u"abc"_s} << u"abcd"_s << -1;
    QTest::newRow("no entries") << QStringList{} << u"a"_s << -1;
    QTest::newRow("empty name names nothing") << QStringList{u"a"_s, u"b"_s} << QString() << -1;
    QTest::newRow("Japanese") << QStringList{u"ミント"_s, u"試験放送♪"_s, u"試験放送♪その2"_s}
                              << u"試験放送♪"_s << 1;
    QTest::newRow("look-alikes folded as written")
        << QStringList{u"x"_s, u"お知らせ\uFF5E"_s} << u"お知らせ\u301C"_s << 1;
    QTest::newRow("fullwidth letters, case ignored")
        << QStringList{u"x"_s, u"ＡＢＣ.txt"_s} << u"ａｂｃ"_s << 1;
}

void TestMessageListStore::findListByName()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, name);
    QFETCH(int, index);

    QCOMPARE(FindListByName(entries, name), index);
}

void TestMessageListStore::deletesOnlyAListFile()
{
    QTemporaryDir tmp;
    const QDir root(tmp.path());
    QVERIFY(root.mkdir(u"data"_s));
    const QDir dir(root.filePath(u"data"_s));
    QVERIFY(writeBytes(dir.filePath(u"list"_s), "0\r\n"));
    QVERIFY(writeBytes(dir.filePath(u"TimeSignal.cfg"_s), "0\r\n"));
    QVERIFY(writeBytes(root.filePath(u"outside"_s), "0\r\n"));
    QVERIFY(dir.mkdir(u"sub"_s));

    QVERIFY(deleteListFile(dir, u"list"_s));
    QVERIFY(!QFile::exists(dir.filePath(u"list"_s)));
    QCOMPARE(deleteListFile(dir, u"list"_s).error().kind, FileError::Kind::Missing);
    QCOMPARE(deleteListFile(dir, u"../outside"_s).error().kind, FileError::Kind::InvalidName);
    QCOMPARE(deleteListFile(dir, u"TimeSignal.cfg"_s).error().kind, FileError::Kind::InvalidName);
    QCOMPARE(deleteListFile(dir, u"sub"_s).error().kind, FileError::Kind::Missing);
    QCOMPARE(deleteListFile(dir, QString()).error().kind, FileError::Kind::InvalidName);
    QVERIFY(QFile::exists(root.filePath(u"outside"_s)));
    QVERIFY(QFile::exists(dir.filePath(u"TimeSignal.cfg"_s)));
    QVERIFY(QFileInfo(dir.filePath(u"sub"_s)).isDir());
}

QTEST_GUILESS_MAIN(TestMessageListStore)
#include "TestMessageListStore.moc"
