// Commands handed over and the console without a window.
//
// 1. The real program: velmira-sim listens in this process on port 10010 (the
//    console always connects there); a copy of the built tolvane-desk runs with
//    --headless from a temporary program directory, with its own runtime and
//    temporary directories (so its socket and its lock are its own). Each run starts
//    `tolvane-desk --say TEXT` and is timed from QProcess::start to the arrival of
//    the broadcast at the server. Then the headless console's resident memory and its
//    CPU time over an idle stretch (logged in: clock timer and poll running) are read.
// 2. The headless console in this process on a manual clock, against the same
//    server: an hour of schedule (both time signals, a list every five minutes) is
//    run through in 300 ms steps, and the process's resident memory is read before
//    and after.
//
//   BenchCommand [--runs N] [--idle-seconds N]     (defaults 20 and 30)
//
// Exits with 2 when port 10010 is taken. Memory and CPU time come from /proc (Linux).

#include "BenchSupport.h"
#include "ManualTimeSource.h"

#include "VelmiraServer.h"
#include "console/HeadlessConsole.h"
#include "protocol/ServerPort.h"
#include "settings/IniSettings.h"
#include "timesignal/TimeSignalFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#ifndef TOLVANE_DESK_PATH
#error "TOLVANE_DESK_PATH must name the built tolvane-desk"
#endif

using namespace Qt::StringLiterals;
using tolvane::sim::VelmiraServer;

namespace {

constexpr quint16 kConsolePort = tolvane::protocol::kServerPort;

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Command round trip and the headless console"_s);
    parser.addHelpOption();
    const QCommandLineOption runsOption(u"runs"_s, u"Commands timed."_s, u"N"_s, u"20"_s);
    const QCommandLineOption idleOption(u"idle-seconds"_s, u"Idle stretch in seconds."_s, u"N"_s,
                                        u"30"_s);
    parser.addOptions({runsOption, idleOption});
    parser.process(app);
    const int runs = qBound(1, parser.value(runsOption).toInt(), 1000);
    const int idleSeconds = qBound(1, parser.value(idleOption).toInt(), 86400);

    VelmiraServer server;
    tolvane::sim::SimOptions simOptions;
    simOptions.address = QHostAddress(u"127.0.0.1"_s);
    simOptions.port = kConsolePort;
    simOptions.quiet = true;
    if (!server.listen(simOptions)) {
        std::fprintf(stderr, "port %u is busy (%s)\n", unsigned(kConsolePort),
                     qPrintable(server.errorString()));
        return 2;
    }
    QStringList arrived;
    QObject::connect(&server, &VelmiraServer::broadcastReceived, &app,
                     [&](const QString& text) { arrived.append(text); });
    bool loggedIn = false;
    QObject::connect(&server, &VelmiraServer::requestReceived, &app,
                     [&](const tolvane::sim::RequestRecord& r) {
                         if (r.command == tolvane::protocol::CmdPlayerCount)
                             loggedIn = true;
                     });

    QTemporaryDir tmp;
    const QString programDir = tmp.filePath(u"program"_s);
    const QString workDir = tmp.filePath(u"work"_s);
    const QString source = QStringLiteral(TOLVANE_DESK_PATH);
    const QString program = programDir + u"/"_s + QFileInfo(source).fileName();
    QDir().mkpath(tmp.filePath(u"run"_s));
    QDir().mkpath(tmp.filePath(u"tmp"_s));
    QFile::setPermissions(tmp.filePath(u"run"_s),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!tmp.isValid() || !benchsupport::makeDataDirectory(programDir) || !QDir().mkpath(workDir) ||
        !QFile::copy(source, program) ||
        !QFile::setPermissions(program, QFile::permissions(source)) ||
        !writeFile(workDir + u"/Tolvane.ini"_s, "[Velmira]\r\nHostIP=127.0.0.1\r\n")) {
        std::fprintf(stderr, "cannot prepare %s\n", qPrintable(tmp.path()));
        return 1;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_RUNTIME_DIR"_s, tmp.filePath(u"run"_s));
    env.insert(u"TMPDIR"_s, tmp.filePath(u"tmp"_s));

    QProcess console;
    console.setProcessEnvironment(env);
    console.setWorkingDirectory(workDir);
    console.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    console.start(program, {u"--headless"_s});
    if (!benchsupport::waitUntil([&] { return loggedIn; }, 10000)) {
        std::fprintf(stderr, "the headless console did not log in\n");
        benchsupport::stop(console);
        return 1;
    }

    const benchsupport::MachineLoad load;
    QList<double> roundTrips;
    int failures = 0;
    for (int i = 0; i < runs; ++i) {
        const QString text = u"bench %1"_s.arg(i);
        QProcess say;
        say.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        say.start(program, {u"--say"_s, text});
        if (!benchsupport::waitUntil([&] { return arrived.contains(text); }, 10000)) {
            ++failures;
            continue;
        }
        roundTrips.append(double(clock.nsecsElapsed()) / 1e6);
        say.waitForFinished(5000);
        if (say.exitCode() != 0)
            ++failures;
    }
    std::printf("-- %s\n", load.describe().constData());
    std::printf("command round trip (--say start to the line at the server, %d runs): median "
                "%.1f ms, max %.1f ms, %d failed\n",
                runs, benchsupport::median(roundTrips), benchsupport::maximum(roundTrips),
                failures);

    const qint64 pid = console.processId();
    const qint64 cpuBefore = benchsupport::cpuNs(pid).value_or(0);
    QElapsedTimer idle;
    idle.start();
    benchsupport::runFor(idleSeconds * 1000);
    const double cpuPercent = double(benchsupport::cpuNs(pid).value_or(0) - cpuBefore) /
                              double(idle.nsecsElapsed()) * 100;
    const qint64 rssKb = benchsupport::statusKb(QString::number(pid), "VmRSS:").value_or(-1);
    std::printf("headless console, logged in: resident memory %.1f MB, idle CPU over %d s %.3f %% "
                "of one core\n",
                double(rssKb) / 1024, idleSeconds, cpuPercent);

    // Ends as the service manager ends it.
    console.terminate();
    const bool clean = console.waitForFinished(5000) &&
                       console.exitStatus() == QProcess::NormalExit && console.exitCode() == 0;
    std::printf("headless console after SIGTERM: %s\n", clean ? "ended cleanly" : "NOT clean");
    benchsupport::stop(console);

    // An hour of schedule on the manual clock, in this process.
    const QString hourDir = tmp.filePath(u"hour"_s);
    benchsupport::makeDataDirectory(hourDir);
    QList<tolvane::timesignal::TimeSignalRow> entries;
    for (int minute = 2; minute < 60; minute += 5)
        entries.append(
            {u"%1:%2:00"_s.arg(13).arg(minute, 2, 10, QLatin1Char('0')), true, u"試験放送♪"_s});
    if (!tolvane::timesignal::WriteTimeSignalFile(QDir(hourDir + u"/TolvaneData"_s), entries).ok())
        std::fprintf(stderr, "cannot write the schedule\n");
    const QString hourIni = hourDir + u"/Tolvane.ini"_s;
    tolvane::settings::IniSettings settings(hourIni);
    if (!settings.write(u"TimeSig"_s, u"00"_s, u"ex"_s) ||
        !settings.write(u"TimeSig"_s, u"30"_s, u"ex"_s))
        std::fprintf(stderr, "cannot write the settings\n");

    testsupport::ManualTimeSource time(QDateTime(QDate(2026, 12, 9), QTime(12, 59, 0)));
    std::FILE* devnull = std::fopen("/dev/null", "w");
    const int before = int(arrived.size());
    qint64 rssStartKb = 0;
    {
        tolvane::console::HeadlessConsole hour({hourIni, hourDir, true, kConsolePort, {}}, &time,
                                               nullptr, devnull);
        hour.start({});
        benchsupport::waitUntil(
            [&] { return hour.controller().linkState() == tolvane::console::LinkState::LoggedIn; },
            5000);
        rssStartKb = benchsupport::statusKb(u"self"_s, "VmRSS:").value_or(-1);
        for (int step = 0; step < 3600 * 1000 / 300; ++step) {
            time.advance(300);
            QCoreApplication::processEvents();
        }
        benchsupport::waitUntil([] { return false; }, 200);
    }
    const qint64 rssEndKb = benchsupport::statusKb(u"self"_s, "VmRSS:").value_or(-1);
    std::fclose(devnull);
    std::printf("headless console on the manual clock, one hour of schedule (%d broadcasts "
                "arrived): resident memory of the process %.1f MB after the login, %.1f MB "
                "after the hour\n",
                int(arrived.size()) - before, double(rssStartKb) / 1024, double(rssEndKb) / 1024);
    return failures == 0 && clean ? 0 : 1;
}
