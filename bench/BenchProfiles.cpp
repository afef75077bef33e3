// Several worlds from one desk: the consoles of several profiles side by side.
//
// 1. N headless consoles (N = 1, 2 and 8), each of a profile of its own against a
//    server of its own (in this process, on 127.0.0.1 and a port of its own, handed to
//    each console through the test port variable). Each run starts
//    `tolvane-desk --all --say TEXT` and is timed from QProcess::start to the arrival
//    of the line at the last of the N servers.
// 2. The resident memory of each of the 8 headless consoles, logged in, after the runs.
// 3. A profile's window started with -auto while another profile's window runs, and,
//    for comparison, that other one's start with nothing else running: from
//    QProcess::start to the login frame (the window is shown before the console
//    connects) and to the first player-count request.
//
//   BenchProfiles [--runs N] [--window-runs N]     (defaults 20 and 10)
//
// The profiles, locks and sockets live in a temporary folder (XDG_DATA_HOME,
// XDG_RUNTIME_DIR), so nothing of the user's is touched and no port is fixed. Memory
// comes from /proc (Linux).

#include "BenchSupport.h"

#include "VelmiraServer.h"
#include "settings/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

#ifndef TOLVANE_DESK_PATH
#error "TOLVANE_DESK_PATH must name the built tolvane-desk"
#endif

using namespace Qt::StringLiterals;
using tolvane::sim::RequestRecord;
using tolvane::sim::VelmiraServer;

namespace {

// One world: its server and the console of its profile, with what the server saw of
// the current run on the bench's clock.
struct World
{
    QString profile;
    VelmiraServer server;
    QProcess console;
    qint64 loginNs = -1;
    qint64 playerCountNs = -1;
    qint64 arrivedNs = -1;

    void reset() { loginNs = playerCountNs = arrivedNs = -1; }
};

class Bench
{
public:
    Bench(const QString& program, const QProcessEnvironment& env, const QString& profilesRoot)
        : m_program(program), m_env(env), m_profilesRoot(profilesRoot)
    {}

    QElapsedTimer clock;
    QString text; // the line of the current --all run

    // A profile made as a first start leaves it (no first-start boxes), its settings
    // naming the loopback address, and a server of its own.
    World* addWorld(const QString& profile)
    {
        auto world = std::make_unique<World>();
        world->profile = profile;
        tolvane::sim::SimOptions options;
        options.port = 0;
        options.quiet = true;
        const QString folder = m_profilesRoot + u'/' + profile;
        QFile ini(folder + u"/Tolvane.ini"_s);
        if (!world->server.listen(options) || !benchsupport::makeDataDirectory(folder) ||
            !ini.open(QIODevice::WriteOnly) || ini.write("[Velmira]\r\nHostIP=127.0.0.1\r\n") < 0) {
            std::fprintf(stderr, "cannot prepare the profile %s: %s\n", qPrintable(profile),
                         qPrintable(world->server.errorString()));
            return nullptr;
        }
        World* w = world.get();
        QObject::connect(&w->server, &VelmiraServer::requestReceived, &w->server,
                         [this, w](const RequestRecord& record) {
                             if (record.command == tolvane::protocol::CmdLogin && w->loginNs < 0)
                                 w->loginNs = clock.nsecsElapsed();
                             if (record.command == tolvane::protocol::CmdPlayerCount &&
                                 w->playerCountNs < 0)
                                 w->playerCountNs = clock.nsecsElapsed();
                         });
        QObject::connect(&w->server, &VelmiraServer::broadcastReceived, &w->server,
                         [this, w](const QString& line) {
                             if (line == text && w->arrivedNs < 0)
                                 w->arrivedNs = clock.nsecsElapsed();
                         });
        m_worlds.push_back(std::move(world));
        return w;
    }

    // Starts the console of `world` with `arguments` after the profile's name; its
    // output (the headless console's copy of its log) is not kept.
    void start(World& world, const QStringList& arguments)
    {
        QProcessEnvironment env = m_env;
        env.insert(QString::fromLatin1(tolvane::settings::kTestServerPortVariable),
                   QString::number(world.server.serverPort()));
        world.console.setProcessEnvironment(env);
        world.console.setStandardOutputFile(QProcess::nullDevice());
        world.console.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        world.reset();
        world.console.start(m_program, QStringList{u"--profile"_s, world.profile} + arguments);
    }

    // A command start, as a script makes it.
    void command(QProcess& process, const QStringList& arguments)
    {
        process.setProcessEnvironment(m_env);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(m_program, arguments);
    }

    std::vector<std::unique_ptr<World>>& worlds() { return m_worlds; }

private:
    QString m_program;
    QProcessEnvironment m_env;
    QString m_profilesRoot;
    std::vector<std::unique_ptr<World>> m_worlds;
};

// The resident memory that is a process's own in kB (its private pages, clean and
// dirty): what ending it gives back. The rest of its resident memory, the program and
// the Qt libraries, is shared with every other console.
std::optional<qint64> privateKb(qint64 pid)
{
    QFile file(u"/proc/%1/smaps_rollup"_s.arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<qint64> sum;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("Private_Clean:") || line.startsWith("Private_Dirty:"))
            sum = sum.value_or(0) +
                  line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return sum;
}

bool waitForPlayerCount(World& world, int timeoutMs = 10000)
{
    if (benchsupport::waitUntil([&] { return world.playerCountNs >= 0; }, timeoutMs, 1))
        return true;
    std::fprintf(stderr, "the console of %s did not log in\n", qPrintable(world.profile));
    return false;
}

// Times `--all --say` to the first `count` worlds, whose consoles run and are logged in.
bool timeAll(Bench& bench, int count, int runs)
{
    QList<double> toFirst;
    QList<double> toLast;
    QList<double> toExit;
    int failures = 0;
    const benchsupport::MachineLoad load;
    for (int run = 0; run < runs; ++run) {
        bench.text = u"worlds %1 run %2"_s.arg(count).arg(run);
        for (int i = 0; i < count; ++i)
            bench.worlds()[size_t(i)]->arrivedNs = -1;
        QProcess all;
        bench.clock.start();
        bench.command(all, {u"--all"_s, u"--say"_s, bench.text});
        const auto everyLine = [&] {
            for (int i = 0; i < count; ++i) {
                if (bench.worlds()[size_t(i)]->arrivedNs < 0)
                    return false;
            }
            return true;
        };
        if (!benchsupport::waitUntil(everyLine, 10000, 1)) {
            ++failures;
            all.waitForFinished(10000);
            continue;
        }
        qint64 first = std::numeric_limits<qint64>::max();
        qint64 last = 0;
        for (int i = 0; i < count; ++i) {
            first = std::min(first, bench.worlds()[size_t(i)]->arrivedNs);
            last = std::max(last, bench.worlds()[size_t(i)]->arrivedNs);
        }
        toFirst.append(double(first) / 1e6);
        toLast.append(double(last) / 1e6);
        benchsupport::waitUntil([&] { return all.state() == QProcess::NotRunning; }, 10000, 1);
        toExit.append(double(bench.clock.nsecsElapsed()) / 1e6);
        if (all.exitStatus() != QProcess::NormalExit || all.exitCode() != 0)
            ++failures;
    }
    std::printf("-- %s\n", load.describe().constData());
    std::printf("--all --say to %d headless console%s (start to the line at the last server, %d "
                "runs): median %.1f ms, max %.1f ms; at the first server after median %.1f ms; "
                "the command ended after median %.1f ms; %d failed\n",
                count, count == 1 ? "" : "s", runs, benchsupport::median(toLast),
                benchsupport::maximum(toLast), benchsupport::median(toFirst),
                benchsupport::median(toExit), failures);
    std::fflush(stdout);
    return failures == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Consoles of several profiles side by side"_s);
    parser.addHelpOption();
    const QCommandLineOption runsOption(u"runs"_s, u"--all commands timed for each count."_s,
                                        u"N"_s, u"20"_s);
    const QCommandLineOption windowRunsOption(u"window-runs"_s, u"Window starts timed."_s, u"N"_s,
                                              u"10"_s);
    parser.addOptions({runsOption, windowRunsOption});
    parser.process(app);
    const int runs = qBound(1, parser.value(runsOption).toInt(), 1000);
    const int windowRuns = qBound(1, parser.value(windowRunsOption).toInt(), 1000);

    QTemporaryDir tmp;
    const QString runtime = tmp.filePath(u"run"_s);
    const QString data = tmp.filePath(u"share"_s);
    if (!tmp.isValid() || !QDir().mkpath(tmp.filePath(u"tmp"_s)) ||
        !QDir().mkdir(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        std::fprintf(stderr, "cannot prepare %s\n", qPrintable(tmp.path()));
        return 1;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_RUNTIME_DIR"_s, runtime);
    env.insert(u"XDG_DATA_HOME"_s, data);
    env.insert(u"TMPDIR"_s, tmp.filePath(u"tmp"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    Bench bench(QStringLiteral(TOLVANE_DESK_PATH), env, data + u"/TolvaneDesk/profiles"_s);

    bool ok = true;
    int running = 0;
    for (const int count : {1, 2, 8}) {
        for (; running < count; ++running) {
            World* world = bench.addWorld(u"world%1"_s.arg(running + 1));
            if (!world)
                return 1;
            bench.clock.start();
            bench.start(*world, {u"--headless"_s});
        }
        for (int i = 0; i < count; ++i) {
            if (!waitForPlayerCount(*bench.worlds()[size_t(i)]))
                return 1;
        }
        ok = timeAll(bench, count, runs) && ok;
    }

    QList<double> residentMb;
    double residentTotal = 0;
    double together = 0; // the shared pages once, every console's own pages
    for (const auto& world : bench.worlds()) {
        const qint64 pid = world->console.processId();
        const double rss =
            double(benchsupport::statusKb(QString::number(pid), "VmRSS:").value_or(-1)) / 1024;
        const double own = double(privateKb(pid).value_or(-1)) / 1024;
        residentMb.append(rss);
        together += residentMb.size() == 1 ? rss : own;
        residentTotal += rss;
        std::printf("headless console of %s: resident memory %.1f MB, of it its own %.1f MB\n",
                    qPrintable(world->profile), rss, own);
    }
    std::printf("resident memory of %d headless consoles, logged in: median %.1f MB, total "
                "%.1f MB; together, the shared pages counted once, %.1f MB\n",
                int(residentMb.size()), benchsupport::median(residentMb), residentTotal, together);
    std::fflush(stdout);
    for (const auto& world : bench.worlds())
        benchsupport::stop(world->console);

    // The windows of two profiles: the first alone, then the second beside it.
    World* first = bench.addWorld(u"window1"_s);
    World* second = bench.addWorld(u"window2"_s);
    if (!first || !second)
        return 1;
    QList<double> firstLogin;
    QList<double> firstCount;
    QList<double> secondLogin;
    QList<double> secondCount;
    const benchsupport::MachineLoad load;
    for (int run = 0; run < windowRuns; ++run) {
        bench.clock.start();
        bench.start(*first, {u"-auto"_s});
        if (!waitForPlayerCount(*first))
            return 1;
        firstLogin.append(double(first->loginNs) / 1e6);
        firstCount.append(double(first->playerCountNs) / 1e6);
        bench.clock.start();
        bench.start(*second, {u"-auto"_s});
        if (!waitForPlayerCount(*second))
            return 1;
        secondLogin.append(double(second->loginNs) / 1e6);
        secondCount.append(double(second->playerCountNs) / 1e6);
        benchsupport::stop(second->console);
        benchsupport::stop(first->console);
    }
    std::printf("-- %s\n", load.describe().constData());
    std::printf("window of a profile, nothing else running (%d starts): login frame median "
                "%.1f ms, max %.1f ms; first player-count request median %.1f ms, max %.1f ms\n",
                windowRuns, benchsupport::median(firstLogin), benchsupport::maximum(firstLogin),
                benchsupport::median(firstCount), benchsupport::maximum(firstCount));
    std::printf("window of a second profile while the first runs (%d starts): login frame median "
                "%.1f ms, max %.1f ms; first player-count request median %.1f ms, max %.1f ms\n",
                windowRuns, benchsupport::median(secondLogin), benchsupport::maximum(secondLogin),
                benchsupport::median(secondCount), benchsupport::maximum(secondCount));
    return ok ? 0 : 1;
}
