#include "FileBytes.h"

#include "platform/AtomicFile.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using tolvane::platform::FileReadResult;
using tolvane::platform::readWholeFile;

class TestAtomicFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readWhole();
};

void TestAtomicFile::readWhole()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QDir dir(tmp.path());
    const QByteArray bytes("1\r\n\x82\xa0\0tail", 10);
    QVERIFY(testsupport::writeBytes(dir.filePath(u"file"_s), bytes));
    QVERIFY(testsupport::writeBytes(dir.filePath(u"empty"_s), {}));
    QVERIFY(dir.mkdir(u"folder"_s));

    const FileReadResult file = readWholeFile(dir.filePath(u"file"_s));
    QVERIFY(file.ok());
    QCOMPARE(file.bytes, bytes);
    const FileReadResult empty = readWholeFile(dir.filePath(u"empty"_s));
    QVERIFY(empty.ok());
    QVERIFY(empty.bytes.isEmpty());
    QCOMPARE(readWholeFile(dir.filePath(u"none"_s)).status, FileReadResult::Missing);
    const FileReadResult folder = readWholeFile(dir.filePath(u"folder"_s));
    QCOMPARE(folder.status, FileReadResult::Unreadable);
    QVERIFY(folder.bytes.isEmpty());
}

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "TestAtomicFile.moc"
