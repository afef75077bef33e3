#include "FileBytes.h"

#include "settings/IniSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using testsupport::readBytes;
using testsupport::writeBytes;
using namespace Qt::StringLiterals;
using tolvane::platform::FileError;
using tolvane::platform::Result;
using tolvane::settings::IniSettings;

namespace {

QByteArray hex(const char* digits)
{
    return QByteArray::fromHex(digits);
}

} // namespace

class TestIniSettings : public QObject
{
    Q_OBJECT

private:
    QString iniPath() const { return m_dir.filePath(QStringLiteral("Tolvane.ini")); }

    QTemporaryDir m_dir;

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(iniPath());
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QString def = QStringLiteral("<default>");
        const QString host = QStringLiteral("HostIP");
        const QString velmira = QStringLiteral("Velmira");

        QTest::newRow("plain") << QByteArray("[Velmira]\r\nHostIP=10.0.0.1\r\n") << velmira << host
                               << QStringLiteral("10.0.0.1");
        QTest::newRow("names ignore case")
            << QByteArray("[VELMIRA]\r\nhostip=10.0.0.2\r\n") << u"velmira"_s << u"HOSTIP"_s
            << QStringLiteral("10.0.0.2");
        QTest::newRow("blanks around header, key and value")
            << QByteArray("  [ Velmira ]  \r\n \t HostIP \t =  10.0.0.3 \t \r\n") << velmira << host
            << QStringLiteral("10.0.0.3");
        QTest::newRow("blanks inside value kept")
            << QByteArray("[Velmira]\r\nHostIP= a  b \r\n") << velmira << host << u"a  b"_s;
        QTest::newRow("double quotes stripped")
            << QByteArray("[Velmira]\r\nHostIP=\"  a b  \"\r\n") << velmira << host << u"  a b  "_s;
        QTest::newRow("single quotes stripped")
            << QByteArray("[Velmira]\r\nHostIP='x'\r\n") << velmira << host << u"x"_s;
        QTest::newRow("mismatched quotes kept")
            << QByteArray("[Velmira]\r\nHostIP=\"x'\r\n") << velmira << host << u"\"x'"_s;
        QTest::newRow("lone quote kept")
            << QByteArray("[Velmira]\r\nHostIP=\"\r\n") << velmira << host << u"\""_s;
        QTest::newRow("one pair stripped")
            << QByteArray("[Velmira]\r\nHostIP=\"\"x\"\"\r\n") << velmira << host << u"\"x\""_s;
        QTest::newRow("empty value is not the default")
            << QByteArray("[Velmira]\r\nHostIP=\r\n") << velmira << host << QString();
        QTest::newRow("empty quoted value")
            << QByteArray("[Velmira]\r\nHostIP=\"\"\r\n") << velmira << host << QString();
        QTest::newRow("equals sign in value")
            << QByteArray("[Velmira]\r\nHostIP=a=b\r\n") << velmira << host << u"a=b"_s;
        QTest::newRow("missing key")
            << QByteArray("[Velmira]\r\nAdminPW=x\r\n") << velmira << host << def;
        QTest::newRow("missing section")
            << QByteArray("[TimeSig]\r\nHostIP=x\r\n") << velmira << host << def;
        QTest::newRow("key of the next section")
            << QByteArray("[Velmira]\r\nAdminPW=x\r\n[Other]\r\nHostIP=y\r\n") << velmira << host
            << def;
        QTest::newRow("key before any section")
            << QByteArray("HostIP=x\r\n[Velmira]\r\n") << velmira << host << def;
        QTest::newRow("commented key")
            << QByteArray("[Velmira]\r\n;HostIP=x\r\n") << velmira << host << def;
        QTest::newRow("header without bracket is no header")
            << QByteArray("[Velmira\r\nHostIP=x\r\n") << velmira << host << def;
        QTest::newRow("first of duplicate keys")
            << QByteArray("[Velmira]\r\nHostIP=first\r\nhostip=second\r\n") << velmira << host
            << u"first"_s;
        QTest::newRow("key in a repeated section")
            << QByteArray("[Velmira]\r\nAdminPW=x\r\n[Other]\r\n[velmira]\r\nHostIP=late\r\n")
            << velmira << host << u"late"_s;
        QTest::newRow("LF line ends")
            << QByteArray("[Velmira]\nHostIP=lf\n") << velmira << host << u"lf"_s;
        QTest::newRow("no final line end")
            << QByteArray("[Velmira]\r\nHostIP=end") << velmira << host << u"end"_s;
        QTest::newRow("UTF-8") << QByteArray("[SCBn]\r\nBtn1=") + hex("e38386e382b9e38388")
                               << u"SCBn"_s << u"Btn1"_s << u"テスト"_s;
        QTest::newRow("UTF-8 with BOM")
            << hex("efbbbf") + QByteArray("[SCBn]\r\nBtn1=") + hex("e38386e382b9e38388") + "\r\n"
            << u"SCBn"_s << u"Btn1"_s << u"テスト"_s;
        QTest::newRow("code page 932") << QByteArray("[SCBn]\r\nBtn1=") + hex("836583588367")
                                       << u"SCBn"_s << u"Btn1"_s << u"テスト"_s;
        QTest::newRow("code page 932 wave dash") << QByteArray("[TimeSig]\r\n00H=") + hex("8160")
                                                 << u"TimeSig"_s << u"00H"_s << u"\uff5e"_s;
        // ゾ is 83 5D: its second byte is ']', so the header must be read as text.
        QTest::newRow("code page 932 section name with ']' byte")
            << hex("5b835d5d") + QByteArray("\r\nk=") + hex("955c") << u"ゾ"_s << u"k"_s << u"表"_s;
        QTest::newRow("UTF-16LE with BOM")
            << hex("fffe5b0053005d000d000a006b003d00c630c830") << u"S"_s << u"k"_s << u"テト"_s;
        QTest::newRow("ideographic spaces kept") << QByteArray("[S]\r\nk=") + hex("e38080e38080")
                                                 << u"S"_s << u"k"_s << u"\u3000\u3000"_s;
        // A line is decoded on its own: a U+FEFF at its start is text, not a byte order mark.
        QTest::newRow("UTF-8 key starting with U+FEFF")
            << QByteArray("[S]\r\n") + hex("efbbbf6b3d31") << u"S"_s << u"\ufeffk"_s << u"1"_s;
        QTest::newRow("UTF-16LE key starting with U+FEFF")
            << hex("fffe5b0053005d000d000a00fffe6b003d003100") << u"S"_s << u"\ufeffk"_s << u"1"_s;
        QTest::newRow("UTF-16LE half a unit at the end")
            << hex("fffe5b0053005d000d000a006b003d00310041") << u"S"_s << u"k"_s << u"1"_s;
    }

    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);

        QVERIFY(writeBytes(iniPath(), file));
        const IniSettings settings(iniPath());
        const QString value = settings.read(section, key, QStringLiteral("<default>"));
        QCOMPARE(value, expected);
        QCOMPARE(value.isNull(), false); // present-but-empty reads as empty, never as null
    }

    void readWithoutFile()
    {
        QCOMPARE(IniSettings(iniPath()).read(u"Velmira"_s, u"HostIP"_s, u"127.0.0.1"_s),
                 u"127.0.0.1"_s);
        QCOMPARE(IniSettings().read(u"Velmira"_s, u"HostIP"_s, u"d"_s), u"d"_s);
        QVERIFY(!QFile::exists(iniPath()));
    }

    void readTruncatesLongValues()
    {
        const IniSettings settings(iniPath());
        QVERIFY(settings.write(u"S"_s, u"k"_s, QString(5000, u'x')));
        QCOMPARE(settings.read(u"S"_s, u"k"_s), QString(4095, u'x'));

        // A surrogate pair across the limit is left out whole.
        QVERIFY(settings.write(u"S"_s, u"k"_s, QString(4094, u'y') + u"😀"_s));
        QCOMPARE(settings.read(u"S"_s, u"k"_s), QString(4094, u'y'));
    }

    void write_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("file created")
            << QByteArray() << u"Velmira"_s << u"HostIP"_s << u"10.0.0.1"_s
            << QByteArray("[Velmira]\r\nHostIP=10.0.0.1\r\n");
        QTest::newRow("empty file")
            << QByteArray("") << u"S"_s << u"k"_s << u"v"_s << QByteArray("[S]\r\nk=v\r\n");
        QTest::newRow("replaced in place, everything else kept")
            << QByteArray("; settings\r\n\r\n[Velmira]\r\n  HostIP = 1.2.3.4 \r\n; note\r\n"
                          "garbage line\r\nAdminPW=x\r\n\r\n[TimeSig]\r\n00=ex\r\n")
            << u"velmira"_s << u"HostIP"_s << u"5.6.7.8"_s
            << QByteArray("; settings\r\n\r\n[Velmira]\r\nHostIP=5.6.7.8\r\n; note\r\n"
                          "garbage line\r\nAdminPW=x\r\n\r\n[TimeSig]\r\n00=ex\r\n");
        QTest::newRow("key written as given")
            << QByteArray("[velmira]\r\nhostip=1\r\n") << u"Velmira"_s << u"HostIP"_s << u"2"_s
            << QByteArray("[velmira]\r\nHostIP=2\r\n");
        QTest::newRow("added after the section's last key")
            << QByteArray("[Velmira]\r\nHostIP=1\r\n; about TimeSig\r\n\r\n[TimeSig]\r\n00=ex\r\n")
            << u"Velmira"_s << u"AdminPW"_s << u"pw"_s
            << QByteArray("[Velmira]\r\nHostIP=1\r\nAdminPW=pw\r\n; about TimeSig\r\n\r\n"
                          "[TimeSig]\r\n00=ex\r\n");
        QTest::newRow("added to a section without keys")
            << QByteArray("[SCBn]\r\n[Other]\r\nx=1\r\n") << u"SCBn"_s << u"Btn1"_s << u"none"_s
            << QByteArray("[SCBn]\r\nBtn1=none\r\n[Other]\r\nx=1\r\n");
        QTest::newRow("added to the first of repeated sections")
            << QByteArray("[A]\r\nx=1\r\n[B]\r\n[A]\r\ny=2\r\n") << u"A"_s << u"z"_s << u"3"_s
            << QByteArray("[A]\r\nx=1\r\nz=3\r\n[B]\r\n[A]\r\ny=2\r\n");
        QTest::newRow("first of duplicate keys replaced")
            << QByteArray("[A]\r\nk=1\r\nk=2\r\n") << u"A"_s << u"K"_s << u"3"_s
            << QByteArray("[A]\r\nK=3\r\nk=2\r\n");
        QTest::newRow("commented key left alone")
            << QByteArray("[A]\r\n;k=old\r\n") << u"A"_s << u"k"_s << u"new"_s
            << QByteArray("[A]\r\nk=new\r\n;k=old\r\n");
        QTest::newRow("new section at the end")
            << QByteArray("[Velmira]\r\nHostIP=1\r\n") << u"TimeSig"_s << u"00"_s << u"ex"_s
            << QByteArray("[Velmira]\r\nHostIP=1\r\n[TimeSig]\r\n00=ex\r\n");
        QTest::newRow("last line without line end")
            << QByteArray("[Velmira]\r\nHostIP=1") << u"TimeSig"_s << u"00"_s << u"ex"_s
            << QByteArray("[Velmira]\r\nHostIP=1\r\n[TimeSig]\r\n00=ex\r\n");
        QTest::newRow("replaced last line keeps missing line end")
            << QByteArray("[A]\r\nk=1") << u"A"_s << u"k"_s << u"2"_s << QByteArray("[A]\r\nk=2");
        QTest::newRow("LF file stays LF") << QByteArray("[S]\nk=v\n") << u"S"_s << u"j"_s << u"w"_s
                                          << QByteArray("[S]\nk=v\nj=w\n");
        QTest::newRow("empty value") << QByteArray("[TimeSig]\r\n00=ex\r\n") << u"TimeSig"_s
                                     << u"00"_s << QString() << QByteArray("[TimeSig]\r\n00=\r\n");
        QTest::newRow("blank-edged value quoted")
            << QByteArray() << u"TimeSig"_s << u"00H"_s << u" a "_s
            << QByteArray("[TimeSig]\r\n00H=\" a \"\r\n");
        QTest::newRow("quoted-looking value quoted")
            << QByteArray() << u"S"_s << u"k"_s << u"'x'"_s << QByteArray("[S]\r\nk=\"'x'\"\r\n");
        QTest::newRow("new file is UTF-8 without BOM")
            << QByteArray() << u"SCBn"_s << u"Btn1"_s << u"テスト"_s
            << QByteArray("[SCBn]\r\nBtn1=") + hex("e38386e382b9e38388") + "\r\n";
        QTest::newRow("UTF-8 BOM kept")
            << hex("efbbbf") + "[S]\r\n"
            << u"S"_s << u"k"_s << u"テスト"_s
            << hex("efbbbf") + "[S]\r\nk=" + hex("e38386e382b9e38388") + "\r\n";
        // 85 40 has no mapping in code page 932: untouched lines keep their bytes.
        QTest::newRow("code page 932 stays code page 932")
            << QByteArray("; ") + hex("8540") + "\r\n[SCBn]\r\nBtn1=" + hex("836583588367") + "\r\n"
            << u"SCBn"_s << u"Btn2"_s << u"放送～"_s
            << QByteArray("; ") + hex("8540") + "\r\n[SCBn]\r\nBtn1=" + hex("836583588367") +
                   "\r\nBtn2=" + hex("95fa91978160") + "\r\n";
        QTest::newRow("code page 932 without a mapping becomes UTF-8")
            << QByteArray("[SCBn]\r\nBtn1=") + hex("836583588367") + "\r\n"
            << u"SCBn"_s << u"Btn2"_s << u"한"_s
            << QByteArray("[SCBn]\r\nBtn1=") + hex("e38386e382b9e38388") +
                   "\r\nBtn2=" + hex("ed959c") + "\r\n";
        QTest::newRow("UTF-16LE stays UTF-16LE")
            << hex("fffe5b0053005d000d000a00") << u"S"_s << u"k"_s << u"テ"_s
            << hex("fffe5b0053005d000d000a006b003d00c6300d000a00");
        // Found by fuzzing: a line added after a last line of odd length was shifted by
        // one byte and read back as other characters.
        QTest::newRow("UTF-16LE half a unit at the end dropped")
            << hex("fffe5b0053005d000d000a006b003d00310041") << u"S"_s << u"j"_s << u"2"_s
            << hex("fffe5b0053005d000d000a006b003d0031000d000a006a003d0032000d000a00");
        // Found by fuzzing: once the only line that was not UTF-8 is replaced, the reader
        // would take the file for UTF-8 and j (ﾃｽ, C3 BD) would read as "ý".
        QTest::newRow("code page 932 that would read as UTF-8 becomes UTF-8")
            << QByteArray("[S]\r\nk=") + hex("b6c5") + "\r\nj=" + hex("c3bd") + "\r\n"
            << u"S"_s << u"k"_s << u"x"_s
            << QByteArray("[S]\r\nk=x\r\nj=") + hex("efbe83efbdbd") + "\r\n";
        // Found by fuzzing: the key's U+FEFF was dropped on read, so the key was never
        // found again and every write added another line.
        QTest::newRow("key starting with U+FEFF")
            << QByteArray() << u"S"_s << u"\ufeffk"_s << u"v"_s
            << QByteArray("[S]\r\n") + hex("efbbbf6b3d76") + "\r\n";
    }

    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);

        if (!before.isNull())
            QVERIFY(writeBytes(iniPath(), before));
        const IniSettings settings(iniPath());
        QVERIFY(settings.write(section, key, value));
        QCOMPARE(readBytes(iniPath()), after);
        QCOMPARE(settings.read(section, key, QStringLiteral("<default>")), value);
        QVERIFY(settings.write(section, key, value));
        QCOMPARE(readBytes(iniPath()), after);
    }

    // Folded only where the file is kept in code page 932, so it stays readable there;
    // elsewhere every character is stored as typed.
    void lookAlikesFoldedInCodePage932_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("code page 932") << QByteArray("[S]\r\nk=") + hex("8e9e") + "\r\n"
                                       << QByteArray("[S]\r\nk=") + hex("8e9e") +
                                              "\r\nj=" + hex("31308e9e816031328e9e") + "\r\n"
                                       << u"10時～12時"_s;
        QTest::newRow("UTF-8") << QByteArray("[S]\r\n")
                               << QByteArray("[S]\r\nj=") + hex("3130e69982e3809c3132e69982") +
                                      "\r\n"
                               << u"10時〜12時"_s;
    }
    void lookAlikesFoldedInCodePage932()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QString, readBack);
        QVERIFY(writeBytes(iniPath(), before));
        const IniSettings settings(iniPath());
        QVERIFY(settings.write(u"S"_s, u"j"_s, u"10時〜12時"_s));
        QCOMPARE(readBytes(iniPath()).toHex(), after.toHex());
        QCOMPARE(settings.read(u"S"_s, u"j"_s), readBack);
    }

    // The pure forms read and write the same bytes as the file-based ones.
    void bytesMatchFile()
    {
        const QByteArray before =
            QByteArray("; c\r\n[SCBn]\r\nBtn1=") + hex("836583588367") + "\r\n";
        const auto after = IniSettings::writeToBytes(before, u"SCBn"_s, u"Btn2"_s, u"放送"_s);
        QVERIFY(after);
        QCOMPARE(*after, QByteArray("; c\r\n[SCBn]\r\nBtn1=") + hex("836583588367") +
                             "\r\nBtn2=" + hex("95fa9197") + "\r\n");
        QCOMPARE(IniSettings::readFromBytes(*after, u"scbn"_s, u"btn1"_s), u"テスト"_s);
        QCOMPARE(IniSettings::readFromBytes({}, u"SCBn"_s, u"Btn1"_s, u"none"_s), u"none"_s);
        QVERIFY(!IniSettings::writeToBytes(before, u"SCBn"_s, u"Btn2"_s, u"a\nb"_s));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks only") << u"   "_s;
        QTest::newRow("leading and trailing blanks") << u"\t a b \t"_s;
        QTest::newRow("double quoted") << u"\"q\""_s;
        QTest::newRow("inner quotes") << u"a \"b\" c"_s;
        QTest::newRow("brackets and semicolon") << u"[x]; y = z"_s;
        QTest::newRow("japanese") << u"ただいまの時刻は"_s;
        QTest::newRow("outside the BMP") << u"🎌"_s;
    }

    void roundTrip()
    {
        QFETCH(QString, value);
        const IniSettings settings(iniPath());
        QVERIFY(settings.write(u"TimeSig"_s, u"00H"_s, value));
        QVERIFY(settings.write(u"TimeSig"_s, u"30H"_s, u"next"_s));
        QCOMPARE(settings.read(u"TimeSig"_s, u"00H"_s, u"<default>"_s), value);
        QCOMPARE(settings.read(u"TimeSig"_s, u"30H"_s), u"next"_s);
    }

    void writeRefused_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("valueRefused"); // else the name
        QTest::newRow("line break in value") << u"A"_s << u"k"_s << u"x\r\n[B]\r\ny=1"_s << true;
        QTest::newRow("LF in value") << u"A"_s << u"k"_s << u"x\ny=1"_s << true;
        QTest::newRow("NUL in value") << u"A"_s << u"k"_s << QStringLiteral("x\0y") << true;
        QTest::newRow("lone surrogate") << u"A"_s << u"k"_s << QString(QChar(0xd800)) << true;
        QTest::newRow("equals in key") << u"A"_s << u"k=j"_s << u"v"_s << false;
        QTest::newRow("comment key") << u"A"_s << u";k"_s << u"v"_s << false;
        QTest::newRow("bracket key") << u"A"_s << u"[k]"_s << u"v"_s << false;
        QTest::newRow("empty key") << u"A"_s << u"  "_s << u"v"_s << false;
        QTest::newRow("bracket in section") << u"A]"_s << u"k"_s << u"v"_s << false;
        QTest::newRow("empty section") << QString() << u"k"_s << u"v"_s << false;
    }

    void writeRefused()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, valueRefused);
        const QByteArray before("[A]\r\nk=1\r\n");
        QVERIFY(writeBytes(iniPath(), before));
        const Result<void> written = IniSettings(iniPath()).write(section, key, value);
        QVERIFY(!written.ok());
        QCOMPARE(written.error().kind,
                 valueRefused ? FileError::Kind::Unrepresentable : FileError::Kind::InvalidName);
        QCOMPARE(readBytes(iniPath()), before);
    }

    void writeFailsInMissingDirectory()
    {
        const QString path = m_dir.filePath(QStringLiteral("missing/Tolvane.ini"));
        QVERIFY(!IniSettings(path).write(u"A"_s, u"k"_s, u"v"_s));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("missing"))));
        QVERIFY(!IniSettings().write(u"A"_s, u"k"_s, u"v"_s));
    }

    void writeFailsInReadOnlyDirectory()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("Tolvane.ini"));
        const QByteArray before("[A]\r\nk=old\r\n");
        QVERIFY(writeBytes(path, before));
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        const auto restore = qScopeGuard([&] {
            QFile::setPermissions(dir.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        {
            QFile probe(dir.filePath(QStringLiteral("probe")));
            if (probe.open(QIODevice::WriteOnly))
                QSKIP("this user may write into read-only directories");
        }
        QVERIFY(!IniSettings(path).write(u"A"_s, u"k"_s, u"new"_s));
        QCOMPARE(readBytes(path), before);
    }

    // The file holds the administrator password: owner only, whatever it was before.
    void keptReadableByOwnerOnly_data()
    {
        QTest::addColumn<QByteArray>("before"); // empty: no file yet
        QTest::addColumn<QString>("value");
        QTest::newRow("new file") << QByteArray() << u"pw"_s;
        QTest::newRow("wider file rewritten")
            << QByteArray("[Velmira]\r\nAdminPW=old\r\n") << u"new"_s;
        QTest::newRow("wider file, same value")
            << QByteArray("[Velmira]\r\nAdminPW=pw\r\n") << u"pw"_s;
    }
    void keptReadableByOwnerOnly()
    {
#ifdef Q_OS_WIN
        QSKIP("file modes are POSIX");
#endif
        QFETCH(QByteArray, before);
        QFETCH(QString, value);
        if (!before.isEmpty()) {
            QVERIFY(writeBytes(iniPath(), before));
            QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ReadGroup | QFile::ReadOther));
        }
        QVERIFY(IniSettings(iniPath()).write(u"Velmira"_s, u"AdminPW"_s, value));
        constexpr QFile::Permissions kModeBits =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
            QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
            QFile::ExeOther;
        QCOMPARE(QFile::permissions(iniPath()) & kModeBits, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(IniSettings(iniPath()).read(u"Velmira"_s, u"AdminPW"_s), value);
    }

    // Works for any user: the file's name leaves no room for the temporary file written
    // beside it, so the replacement fails and the old file must stay whole.
    void writeFailureKeepsOldFile()
    {
        const QString path = m_dir.filePath(QString(255, u'n'));
        const QByteArray before("[A]\r\nk=old\r\n");
        if (!writeBytes(path, before))
            QSKIP("the file system does not take 255-character names");
        QVERIFY(!IniSettings(path).write(u"A"_s, u"k"_s, u"new"_s));
        QCOMPARE(readBytes(path), before);
        QVERIFY(QFile::remove(path));
    }
};

QTEST_GUILESS_MAIN(TestIniSettings)
#include "TestIniSettings.moc"
