// Start-up, memory and idle load of the real program.
//
// The built tolvane-desk is copied into a temporary program directory whose
// TolvaneData a first start has already made (so no first-start boxes), and run
// with "-auto" from a working directory whose Tolvane.ini names 127.0.0.1. The
// console always connects to port 10010, so the substitute server listens there,
// in this process. Each run is timed from QProcess::start to the arrival of the
// login frame. After the last run the console stays up: its resident memory is
// read about a second after the player-count reply, and its CPU time is sampled
// over an idle stretch while it is logged in (clock timer and player-count poll
// running, nothing else).
//
//   BenchStartup [--runs N] [--idle-seconds N]     (defaults 10 and 60)
//
// Exits with 2 when port 10010 is taken. Memory and CPU time are read from /proc,
// so the figures come from Linux only.

#include "BenchSupport.h"

#include "VelmiraServer.h"
#include "protocol/ServerPort.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#ifndef TOLVANE_DESK_PATH
#error "TOLVANE_DESK_PATH must name the built tolvane-desk"
#endif

using namespace Qt::StringLiterals;
using tolvane::sim::RequestRecord;
using tolvane::sim::VelmiraServer;

namespace {

constexpr quint16 kConsolePort = tolvane::protocol::kServerPort;

// User plus system CPU time of a process (all its threads), in clock ticks.
std::optional<qint64> cpuTicks(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = stat.readAll();
    // The command name may hold blanks; fields are counted after its ")".
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    // Fields 14 and 15 of the line (utime, stime) are 12 and 13 after the name.
    if (fields.size() < 14)
        return std::nullopt;
    return fields[11].toLongLong() + fields[12].toLongLong();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Start-up time, memory and idle CPU of tolvane-desk"_s);
    parser.addHelpOption();
    const QCommandLineOption runsOption(u"runs"_s, u"Number of starts timed."_s, u"N"_s, u"10"_s);
    const QCommandLineOption idleOption(
        u"idle-seconds"_s, u"Length of the idle stretch in seconds."_s, u"N"_s, u"60"_s);
    parser.addOptions({runsOption, idleOption});
    parser.process(app);
    bool runsOk = false;
    bool idleOk = false;
    const int runs = parser.value(runsOption).toInt(&runsOk);
    const int idleSeconds = parser.value(idleOption).toInt(&idleOk);
    if (!runsOk || runs < 1 || runs > 1000) {
        std::fprintf(stderr, "--runs takes a number from 1 to 1000\n");
        return 2;
    }
    if (!idleOk || idleSeconds < 1 || idleSeconds > 86400) {
        std::fprintf(stderr, "--idle-seconds takes a number from 1 to 86400\n");
        return 2;
    }

    VelmiraServer server;
    tolvane::sim::SimOptions simOptions;
    simOptions.address = QHostAddress(u"127.0.0.1"_s);
    simOptions.port = kConsolePort;
    simOptions.quiet = true;
    if (!server.listen(simOptions)) {
        std::fprintf(stderr,
                     "port %u is busy (%s); the console always connects there, so this benchmark "
                     "needs it free\n",
                     unsigned(kConsolePort), qPrintable(server.errorString()));
        return 2;
    }

    QTemporaryDir tmp;
    const QString programDir = tmp.filePath(u"program"_s);
    const QString workDir = tmp.filePath(u"work"_s);
    const QString source = QStringLiteral(TOLVANE_DESK_PATH);
    const QString program = programDir + u"/"_s + QFileInfo(source).fileName();
    if (!tmp.isValid() || !benchsupport::makeDataDirectory(programDir) || !QDir().mkpath(workDir) ||
        !QFile::copy(source, program) ||
        !QFile::setPermissions(program, QFile::permissions(source))) {
        std::fprintf(stderr, "cannot prepare %s from %s\n", qPrintable(tmp.path()),
                     qPrintable(source));
        return 1;
    }
    {
        QFile ini(workDir + u"/Tolvane.ini"_s);
        if (!ini.open(QIODevice::WriteOnly) || ini.write("[Velmira]\r\nHostIP=127.0.0.1\r\n") < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(ini.fileName()));
            return 1;
        }
    }

    QProcess console;
    // Server-side moments of the current run, on the clock started with the process.
    QElapsedTimer clock;
    qint64 connectedNs = -1;
    qint64 loginNs = -1;
    qint64 consoleWaitNs = -1; // the console's wait for a CPU up to its login frame
    qint64 playerCountNs = -1;
    int playerCountRequests = 0;
    QObject::connect(&server, &VelmiraServer::clientConnected, &app, [&] {
        if (connectedNs < 0)
            connectedNs = clock.nsecsElapsed();
    });
    QObject::connect(
        &server, &VelmiraServer::requestReceived, &app, [&](const RequestRecord& record) {
            if (record.command == tolvane::protocol::CmdLogin && loginNs < 0) {
                loginNs = clock.nsecsElapsed();
                consoleWaitNs = benchsupport::runQueueWaitNs(QString::number(console.processId()));
            }
            if (record.command == tolvane::protocol::CmdPlayerCount) {
                ++playerCountRequests;
                // The reply is written as soon as the request is handled.
                if (playerCountNs < 0)
                    playerCountNs = clock.nsecsElapsed();
            }
        });

    std::printf("%d starts of %s with -auto against the in-process server on 127.0.0.1:%u...\n",
                runs, qPrintable(program), unsigned(kConsolePort));
    std::fflush(stdout);
    QList<double> startups;
    const benchsupport::MachineLoad load;
    for (int run = 1; run <= runs; ++run) {
        // The single-instance lock lives in the runtime folder: a private one per run,
        // so nothing else on the machine and no earlier run can hold it.
        const QString lockDir = tmp.filePath(u"tmp%1"_s.arg(run));
        const QString runtimeDir = lockDir + u"/runtime"_s;
        QDir().mkpath(lockDir);
        QDir().mkdir(runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"TMPDIR"_s, lockDir);
        env.insert(u"XDG_RUNTIME_DIR"_s, runtimeDir);
        console.setProcessEnvironment(env);
        console.setProgram(program);
        console.setArguments({u"-auto"_s});
        console.setWorkingDirectory(workDir);
        console.setProcessChannelMode(QProcess::MergedChannels);

        connectedNs = loginNs = playerCountNs = consoleWaitNs = -1;
        playerCountRequests = 0;
        clock.start();
        console.start();
        const bool loggedIn = benchsupport::waitUntil(
            [&] { return loginNs >= 0 || console.state() == QProcess::NotRunning; }, 10000, 1);
        if (!loggedIn || loginNs < 0) {
            std::printf("run %d: no login frame within 10 s (%s)\n%s\n", run,
                        qPrintable(console.errorString()), console.readAll().constData());
            benchsupport::stop(console);
            return 1;
        }
        startups.append(double(loginNs) / 1e6);
        std::printf("run %2d: connected after %7.2f ms, login frame after %7.2f ms; the console "
                    "waited %.2f ms for a CPU\n",
                    run, double(connectedNs) / 1e6, double(loginNs) / 1e6,
                    double(consoleWaitNs) / 1e6);
        std::fflush(stdout);
        if (run < runs)
            benchsupport::stop(console);
    }

    // The last console stays up, logged in.
    const qint64 pid = console.processId();
    if (!benchsupport::waitUntil([&] { return playerCountNs >= 0; }, 5000)) {
        std::printf("no player-count request after the login\n");
        benchsupport::stop(console);
        return 1;
    }
    benchsupport::runFor(1000);
    const std::optional<qint64> rssKb = benchsupport::statusKb(QString::number(pid), "VmRSS:");

#ifdef Q_OS_UNIX
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
#else
    const long ticksPerSecond = 0; // no /proc to read either
#endif
    const std::optional<qint64> ticksBefore = cpuTicks(pid);
    const std::optional<qint64> nsBefore = benchsupport::cpuNs(pid);
    const int requestsBefore = playerCountRequests;
    QElapsedTimer idle;
    idle.start();
    benchsupport::runFor(idleSeconds * 1000);
    const std::optional<qint64> ticksAfter = cpuTicks(pid);
    const std::optional<qint64> nsAfter = benchsupport::cpuNs(pid);
    const double idleElapsed = double(idle.nsecsElapsed()) / 1e9;
    const int polls = playerCountRequests - requestsBefore;
    const bool stillRunning = console.state() == QProcess::Running;
    benchsupport::stop(console);
    // Warnings the console printed (fonts, platform) explain odd figures.
    const QByteArray output = console.readAll().trimmed();
    if (!output.isEmpty())
        std::printf("the last console printed:\n%s\n", output.left(2000).constData());

    if (!rssKb || !ticksBefore || !ticksAfter || !stillRunning || ticksPerSecond <= 0) {
        std::printf("cannot read /proc/%lld of the console (still running: %s)\n", qlonglong(pid),
                    stillRunning ? "yes" : "no");
        return 1;
    }
    const double cpuSeconds = double(*ticksAfter - *ticksBefore) / double(ticksPerSecond);
    const double cpuPercent = cpuSeconds / idleElapsed * 100;
    std::printf("VmRSS %lld kB; %.2f s CPU in %.1f s idle with %d player-count polls "
                "(clock tick %.0f ms)\n",
                qlonglong(*rssKb), cpuSeconds, idleElapsed, polls, 1000.0 / double(ticksPerSecond));
    if (nsBefore && nsAfter)
        std::printf("idle CPU by the scheduler's nanosecond count: %.3f %% of one core\n",
                    double(*nsAfter - *nsBefore) / 1e9 / idleElapsed * 100);
    std::printf("%s\n", load.describe().constData());
    std::printf("start-up to login frame: median %.1f ms, max %.1f ms (target < 300 ms)\n",
                benchsupport::median(startups), benchsupport::maximum(startups));
    std::printf("resident memory after login: %.1f MB (target < 80 MB)\n", double(*rssKb) / 1024);
    std::printf("idle CPU over %d s: %.2f %% of one core (target < 0.5 %%)\n", idleSeconds,
                cpuPercent);
    return 0;
}
