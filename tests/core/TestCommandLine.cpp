#include "settings/CommandLine.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void autoLogin_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("expected");

        QTest::newRow("no arguments") << QStringList() << false;
        QTest::newRow("-auto") << QStringList{u"-auto"_s} << true;
        QTest::newRow("upper case") << QStringList{u"-AUTO"_s} << false;
        QTest::newRow("mixed case") << QStringList{u"-Auto"_s} << false;
        QTest::newRow("without dash") << QStringList{u"auto"_s} << false;
        QTest::newRow("slash form") << QStringList{u"/auto"_s} << false;
        QTest::newRow("double dash") << QStringList{u"--auto"_s} << false;
        QTest::newRow("longer word") << QStringList{u"-autox"_s} << false;
        QTest::newRow("trailing blank") << QStringList{u"-auto "_s} << false;
        QTest::newRow("other argument") << QStringList{u"x"_s} << false;
        QTest::newRow("-auto last") << QStringList{u"x"_s, u"-auto"_s} << true;
        QTest::newRow("-auto then other") << QStringList{u"-auto"_s, u"x"_s} << false;
        QTest::newRow("-auto then empty") << QStringList{u"-auto"_s, QString()} << false;
        QTest::newRow("-auto twice") << QStringList{u"-auto"_s, u"-auto"_s} << true;
        QTest::newRow("cleared and set again")
            << QStringList{u"-auto"_s, u"x"_s, u"-auto"_s} << true;
        QTest::newRow("a world's name cancels nothing")
            << QStringList{u"-auto"_s, u"--profile"_s, u"本番"_s} << true;
        QTest::newRow("nor does it set anything")
            << QStringList{u"--profile"_s, u"-auto"_s} << false;
    }

    void autoLogin()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, expected);
        QCOMPARE(tolvane::settings::autoLoginRequested(arguments), expected);
    }

    void testServerPort_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("port");

        QTest::newRow("unset") << QString() << -1;
        QTest::newRow("a port") << u"43210"_s << 43210;
        QTest::newRow("highest") << u"65535"_s << 65535;
        QTest::newRow("zero") << u"0"_s << -1;
        QTest::newRow("too large") << u"65536"_s << -1;
        QTest::newRow("not a number") << u"x1"_s << -1;
        QTest::newRow("negative") << u"-5"_s << -1;
    }

    void testServerPort()
    {
        QFETCH(QString, value);
        QFETCH(int, port);
        QCOMPARE(int(tolvane::settings::testServerPort(value).value_or(0)), qMax(port, 0));
    }

    void settingsPath_data()
    {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("expected");

#ifdef Q_OS_WIN
        QTest::newRow("drive") << u"C:/Games/Tolvane"_s << u"C:/Games/Tolvane/Tolvane.ini"_s;
        QTest::newRow("backslashes")
            << u"C:\\Games\\Tolvane"_s << u"C:/Games/Tolvane/Tolvane.ini"_s;
        QTest::newRow("drive root") << u"D:/"_s << u"D:/Tolvane.ini"_s;
#else
        QTest::newRow("plain") << u"/srv/tolvane"_s << u"/srv/tolvane/Tolvane.ini"_s;
        QTest::newRow("trailing slash") << u"/srv/tolvane/"_s << u"/srv/tolvane/Tolvane.ini"_s;
        QTest::newRow("dot-dot") << u"/srv/other/../tolvane"_s << u"/srv/tolvane/Tolvane.ini"_s;
        QTest::newRow("root") << u"/"_s << u"/Tolvane.ini"_s;
        QTest::newRow("japanese") << u"/home/運営/設定"_s << u"/home/運営/設定/Tolvane.ini"_s;
#endif
    }

    void settingsPath()
    {
        QFETCH(QString, directory);
        QFETCH(QString, expected);
        QCOMPARE(tolvane::settings::settingsPathFor(directory), expected);
    }

    void startRequest_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("flags"); // what else the start asks for, or "error"

        using C = tolvane::settings::HandOverCommand;
        const auto row = [](const char* name, QStringList args, C c, QString arg = {},
                            QString flags = {}) {
            QTest::newRow(name) << args << int(c) << arg << flags;
        };
        row("window", {}, C::None);
        row("-auto stays the window's", {u"-auto"_s}, C::None);
        row("say", {u"--say"_s, u"再起動します"_s}, C::Say, u"再起動します"_s);
        row("say takes an option-like text", {u"--say"_s, u"--stop"_s}, C::Say, u"--stop"_s);
        row("say takes an unknown option as text", {u"--say"_s, u"--x"_s}, C::Say, u"--x"_s);
        row("say empty", {u"--say"_s, QString()}, C::Say);
        row("broadcast", {u"--broadcast"_s, u"試験"_s}, C::Broadcast, u"試験"_s);
        row("stop", {u"--stop"_s}, C::Stop);
        row("status among others", {u"x"_s, u"--status"_s, u"-auto"_s}, C::Status);
        row("headless", {u"--headless"_s}, C::None, {}, u"headless"_s);
        row("headless with -auto", {u"--headless"_s, u"-auto"_s}, C::None, {}, u"headless"_s);
        row("say without text", {u"--say"_s}, C::None, {}, u"error"_s);
        row("two commands", {u"--stop"_s, u"--status"_s}, C::Status, {}, u"error"_s);
        row("headless and a command", {u"--headless"_s, u"--stop"_s}, C::Stop, {},
            u"headless error"_s);
        row("one dash is no option", {u"-stop"_s}, C::None);
        row("help", {u"--help"_s}, C::None, {}, u"help"_s);
        row("-h", {u"-auto"_s, u"-h"_s}, C::None, {}, u"help"_s);
        row("version", {u"--version"_s}, C::None, {}, u"version"_s);
        row("help beside a command", {u"--stop"_s, u"--help"_s}, C::Stop, {}, u"help"_s);
        row("mistyped command", {u"--sya"_s, u"hello"_s}, C::None, {}, u"error"_s);
        row("mistyped after a command", {u"--say"_s, u"x"_s, u"--stopp"_s}, C::Say, u"x"_s,
            u"error"_s);
        row("wrong case", {u"--Status"_s}, C::None, {}, u"error"_s);
        row("two dashes alone", {u"--"_s}, C::None, {}, u"error"_s);
        row("-auto with two dashes", {u"--auto"_s}, C::None, {}, u"error"_s);
        row("the toolkit's option", {u"--platform"_s, u"offscreen"_s, u"-auto"_s}, C::None);
        row("the toolkit's option takes its value", {u"--qwindowtitle"_s, u"--x"_s}, C::None);
        row("the toolkit's flag", {u"--reverse"_s, u"--status"_s}, C::Status);
        row("a world's window", {u"--profile"_s, u"本番"_s, u"-auto"_s}, C::None, {},
            u"profile=本番"_s);
        row("a world's command", {u"--say"_s, u"x"_s, u"--profile"_s, u"--all"_s}, C::Say, u"x"_s,
            u"profile=--all"_s);
        row("profile without a name", {u"--profile"_s}, C::None, {}, u"error"_s);
        row("two profiles", {u"--profile"_s, u"a"_s, u"--profile"_s, u"b"_s}, C::None, {},
            u"profile=b error"_s);
        row("to all", {u"--all"_s, u"--stop"_s}, C::Stop, {}, u"all"_s);
        row("all alone", {u"--all"_s}, C::None, {}, u"all error"_s);
        row("all and a profile", {u"--all"_s, u"--status"_s, u"--profile"_s, u"a"_s}, C::Status, {},
            u"profile=a all error"_s);
        row("list the profiles", {u"--list-profiles"_s}, C::None, {}, u"list"_s);
        row("list with a command", {u"--list-profiles"_s, u"--stop"_s}, C::Stop, {},
            u"list error"_s);
    }

    void startRequest()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, command);
        QFETCH(QString, argument);
        QFETCH(QString, flags);
        const tolvane::settings::StartRequest r = tolvane::settings::parseStartRequest(arguments);
        QCOMPARE(int(r.command), command);
        QCOMPARE(r.argument, argument);
        QStringList got;
        if (r.headless)
            got << u"headless"_s;
        if (r.help)
            got << u"help"_s;
        if (r.version)
            got << u"version"_s;
        if (r.profile)
            got << u"profile="_s + *r.profile;
        if (r.all)
            got << u"all"_s;
        if (r.listProfiles)
            got << u"list"_s;
        if (!r.error.isEmpty())
            got << u"error"_s;
        QCOMPARE(got.join(u' '), flags);
    }

    void relativeDirectoryBecomesAbsolute()
    {
        const QString path = tolvane::settings::settingsPathFor(u"sub"_s);
        QVERIFY(QDir::isAbsolutePath(path));
        QCOMPARE(path, QDir::cleanPath(QDir::currentPath() + u"/sub/Tolvane.ini"_s));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
