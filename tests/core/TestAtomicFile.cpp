#include "FileBytes.h"

#include "platform/AtomicFile.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using tolvane::platform::FileError;
using tolvane::platform::readWholeFile;
using tolvane::platform::Result;

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

    const Result<QByteArray> file = readWholeFile(dir.filePath(u"file"_s));
    QVERIFY(file.ok());
    QCOMPARE(*file, bytes);
    const Result<QByteArray> empty = readWholeFile(dir.filePath(u"empty"_s));
    QVERIFY(empty.ok());
    QVERIFY(empty->isEmpty());
    QCOMPARE(readWholeFile(dir.filePath(u"none"_s)).error().kind, FileError::Kind::Missing);
    const Result<QByteArray> folder = readWholeFile(dir.filePath(u"folder"_s));
    QVERIFY(!folder.ok());
    QCOMPARE(folder.error().kind, FileError::Kind::Unreadable);
}

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "TestAtomicFile.moc"
