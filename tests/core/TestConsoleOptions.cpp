#include "console/CommandSocketName.h"
#include "console/ConsoleOptions.h"
#include "platform/PrivateDirectory.h"
#include "settings/Profiles.h"

#ifdef Q_OS_WIN
#include "platform/PrivatePipe.h"
#endif

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using tolvane::console::ConsoleOptions;

class TestConsoleOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The consoles of several worlds run side by side: each needs a lock and a command
    // socket that no other profile, nor the default console, shares. A script and a
    // console of another version must agree on the names, so the key is pinned.
    void socketAndLockPerProfile()
    {
        QSet<QString> sockets;
        QSet<QString> locks;
        for (const QString& profile : {u""_s, u"live"_s, u"Live2"_s, u"本番"_s, u"試験 2"_s}) {
            ConsoleOptions options;
            options.profile = profile;
            sockets.insert(options.commandSocket());
            locks.insert(options.lockFilePath());
        }
        QCOMPARE(sockets.size(), 5);
        QCOMPARE(locks.size(), 5);

        ConsoleOptions live;
        live.profile = u"live"_s;
        ConsoleOptions honban;
        honban.profile = u"本番"_s;
#ifdef Q_OS_WIN
        // Per user as well: the pipe name space is shared by every session.
        const QString place = u"tolvane-desk-"_s + tolvane::platform::currentUserSid();
        QVERIFY(place.size() > 20);
        QCOMPARE(live.commandSocket(), place + u"-command-247610f4dedd4ab7"_s);
        QCOMPARE(honban.commandSocket(), place + u"-command-e30383028e576b9d"_s);
#else
        const QString place = tolvane::platform::userRuntimeDirectory();
        QCOMPARE(live.commandSocket(), place + u"/command-247610f4dedd4ab7"_s);
        QCOMPARE(honban.commandSocket(), place + u"/command-e30383028e576b9d"_s);
#endif
        QCOMPARE(QFileInfo(live.lockFilePath()).fileName(), u"TolvaneDesk-247610f4dedd4ab7.lock"_s);
        QCOMPARE(QFileInfo(live.lockFilePath()).absolutePath(),
                 QDir(tolvane::platform::userRuntimeDirectory()).absolutePath());
    }

    // A world keeps every file in its own folder, wherever the program was started.
    void filesOfAProfile()
    {
        const ConsoleOptions live = ConsoleOptions::forStart(u"live"_s);
        const QString folder = tolvane::settings::profileFolder(u"live"_s);
        QCOMPARE(live.profile, u"live"_s);
        QCOMPARE(live.settingsPath, folder + u"/Tolvane.ini"_s);
        QCOMPARE(live.programDirectory, folder);
        QCOMPARE(live.logFolder(), folder + u"/TolvaneLog"_s);
        QCOMPARE(ConsoleOptions::forStart().settingsPath,
                 QDir::current().filePath(u"Tolvane.ini"_s));
    }
};

QTEST_GUILESS_MAIN(TestConsoleOptions)
#include "TestConsoleOptions.moc"
