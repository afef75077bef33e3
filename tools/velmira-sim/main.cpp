#include "VelmiraServer.h"
#include "Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTimer>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

void printLine(FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

#ifdef Q_OS_UNIX
// SIGINT and SIGTERM end the event loop through a socket pair, so the program
// leaves main() normally instead of dying inside a handler.
int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[0], &byte, 1);
}

void quitOnTerminationSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return; // the default handlers then simply end the program
    auto* notifier = new QSocketNotifier(qintptr(g_signalPipe[1]), QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(g_signalPipe[1], &byte, 1);
        app.quit();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}
#endif

// A whole number from the command line within [low, high], or nothing.
std::optional<int> intOption(const QCommandLineParser& parser, const QString& name, int low,
                             int high)
{
    bool ok = false;
    const int v = parser.value(name).toInt(&ok);
    if (!ok || v < low || v > high) {
        printLine(stderr, QStringLiteral("velmira-sim: --%1 needs a number from %2 to %3")
                              .arg(name)
                              .arg(low)
                              .arg(high));
        return std::nullopt;
    }
    return v;
}

} // namespace

int main(int argc, char* argv[])
{
#ifdef Q_OS_WIN
    SetConsoleOutputCP(CP_UTF8);
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmira-sim"));
    QCoreApplication::setApplicationVersion(tolvane::kVersion);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Stands in for the Velmira game server so the console can be tried.\n"
                       "Logs every request it receives on standard output."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QString listenOpt = QStringLiteral("listen");
    const QString portOpt = QStringLiteral("port");
    const QString passwordOpt = QStringLiteral("password");
    const QString playersOpt = QStringLiteral("players");
    const QString driftOpt = QStringLiteral("players-drift");
    const QString accountsOpt = QStringLiteral("accounts");
    const QString noAccountsOpt = QStringLiteral("no-accounts-file");
    const QString countOpt = QStringLiteral("accounts-count");
    const QString chunkOpt = QStringLiteral("chunk");
    const QString coalesceOpt = QStringLiteral("coalesce");
    const QString closeAfterOpt = QStringLiteral("close-after");
    const QString muteAfterOpt = QStringLiteral("mute-after");
    const QString refuseOpt = QStringLiteral("refuse-login");
    const QString quietOpt = QStringLiteral("quiet");
    parser.addOptions({
        {listenOpt, QStringLiteral("Address to listen on (default 127.0.0.1; 0.0.0.0 for all)."),
         QStringLiteral("address"), QStringLiteral("127.0.0.1")},
        {portOpt, QStringLiteral("TCP port (default %1).").arg(tolvane::protocol::kServerPort),
         QStringLiteral("port"), QString::number(tolvane::protocol::kServerPort)},
        {passwordOpt, QStringLiteral("Administrator password the login must carry."),
         QStringLiteral("password"), QStringLiteral("vexodrim")},
        {playersOpt, QStringLiteral("Number of players to report (default 12)."),
         QStringLiteral("count"), QStringLiteral("12")},
        {driftOpt, QStringLiteral("Let the number of players wander every few seconds.")},
        {accountsOpt,
         QStringLiteral("Accounts file, created with demo accounts when absent "
                        "(default velmira-accounts.json in the current directory)."),
         QStringLiteral("file"), QStringLiteral("velmira-accounts.json")},
        {noAccountsOpt, QStringLiteral("Keep the accounts in memory only (demo accounts).")},
        {countOpt,
         QStringLiteral("Serve n generated accounts player0000000... (password \"player\") "
                        "in memory only, instead of the accounts file: for large lists."),
         QStringLiteral("n"), QStringLiteral("0")},
        {chunkOpt, QStringLiteral("Write every reply in pieces of n bytes."), QStringLiteral("n"),
         QStringLiteral("0")},
        {coalesceOpt, QStringLiteral("Hold replies and write several in one write.")},
        {closeAfterOpt, QStringLiteral("Close a connection after n request frames."),
         QStringLiteral("n"), QStringLiteral("0")},
        {muteAfterOpt,
         QStringLiteral("Answer the first n request frames of a connection, then fall silent: "
                        "read and log requests, answer none, keep the connection open."),
         QStringLiteral("n"), QStringLiteral("0")},
        {refuseOpt, QStringLiteral("Answer every login with 0 (not accepted).")},
        {quietOpt, QStringLiteral("Do not log requests.")},
    });
    parser.process(app);

    tolvane::sim::SimOptions options;
    const QString address = parser.value(listenOpt);
    if (address == QLatin1String("any"))
        options.address = QHostAddress(QHostAddress::Any);
    else if (!options.address.setAddress(address)) {
        printLine(stderr, QStringLiteral("velmira-sim: \"%1\" is not an IP address").arg(address));
        return 2;
    }
    const auto port = intOption(parser, portOpt, 0, 65535);
    const auto players = intOption(parser, playersOpt, 0, 0x7fffffff);
    const auto chunk = intOption(parser, chunkOpt, 0, 1 << 20);
    const auto closeAfter = intOption(parser, closeAfterOpt, 0, 0x7fffffff);
    const auto muteAfter = intOption(parser, muteAfterOpt, 0, 0x7fffffff);
    const auto generated = intOption(parser, countOpt, 0, 100'000'000);
    if (!port || !players || !chunk || !closeAfter || !muteAfter || !generated)
        return 2;
    options.port = quint16(*port);
    options.adminPassword = parser.value(passwordOpt);
    options.playerCount = *players;
    options.chunkBytes = *chunk;
    options.closeAfterFrames = *closeAfter;
    options.muteAfterFrames = *muteAfter;
    options.coalesce = parser.isSet(coalesceOpt);
    options.acceptLogin = !parser.isSet(refuseOpt);
    options.quiet = parser.isSet(quietOpt);
    const bool memoryOnly = parser.isSet(noAccountsOpt) || *generated > 0;
    if (!memoryOnly)
        options.accountsFile = parser.value(accountsOpt);

    tolvane::sim::VelmiraServer server;
    if (*generated > 0) {
        server.seedAccounts(*generated);
    } else if (memoryOnly) {
        for (const tolvane::sim::Account& a : tolvane::sim::ServerAccounts::demoAccounts())
            server.addAccount(a);
    }
    if (!server.listen(options)) {
        printLine(stderr, QStringLiteral("velmira-sim: ") + server.errorString());
        return 1;
    }
    printLine(stdout,
              QStringLiteral("velmira-sim listening on %1 port %2 (%3 players, %4 accounts %5)")
                  .arg(server.serverAddress().toString())
                  .arg(server.serverPort())
                  .arg(options.playerCount)
                  .arg(server.accountIds().size())
                  .arg(memoryOnly ? QStringLiteral("in memory")
                                  : QStringLiteral("in ") + options.accountsFile));

    QTimer drift;
    if (parser.isSet(driftOpt)) {
        // A person watching the console sees the count follow the server.
        drift.setInterval(7000);
        QObject::connect(&drift, &QTimer::timeout, &server, [&server] {
            const int step = int(QRandomGenerator::global()->bounded(7)) - 3;
            server.setPlayerCount(qBound(0, server.playerCount() + step, 9999));
        });
        drift.start();
    }

#ifdef Q_OS_UNIX
    quitOnTerminationSignals(app);
#endif
    const int rc = app.exec();
    if (!options.quiet)
        printLine(stdout, QStringLiteral("velmira-sim stopped"));
    return rc;
}
