// How evenly a list broadcast is paced, as the server sees it.
//
// The main window runs offscreen against the substitute server in the same
// process, logs in, loads a list of N lines and starts the broadcast. The server
// stamps every broadcast frame on arrival with its monotonic clock; consecutive
// arrivals should lie 1500 ms apart. By default one event loop serves both the
// console and the server, so a late read on the server side (behind the console's
// own repaint, say) counts against the pacing too; --server-thread gives the
// server a thread and event loop of its own, as a remote server would have. The
// console's other timers (the 300 ms clock, the 5000 ms player-count poll) run as
// they do in use.
//
//   BenchPacing [--lines N] [--server-thread]     (default 20 lines, one loop)

#include "BenchSupport.h"

#include "VelmiraServer.h"
#include "broadcast/BroadcastEngine.h"
#include "broadcast/MessageListStore.h"
#include "ui/CTolvaneDeskDlg.h"
#include "ui/MainWindowLayout.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QListWidget>
#include <QMutex>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <memory>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using tolvane::sim::RequestRecord;
using tolvane::sim::VelmiraServer;
using tolvane::ui::CTolvaneDeskDlg;

namespace {

// What the server saw of the broadcast, noted on the server's thread as each line
// is read there.
struct Arrivals
{
    QMutex mutex;
    QList<qint64> serverNs; // the server's monotonic clock: the intervals
    QList<qint64> hereNs;   // the benchmark's clock from the start: the lateness
    QList<qint64> waitNs;   // the server thread's wait for a CPU so far
    QStringList texts;
};

// The calling thread's id for its scheduler statistics; empty where unknown.
QString threadStatPath()
{
#ifdef Q_OS_LINUX
    return u"self/task/%1"_s.arg(gettid());
#else
    return {};
#endif
}

} // namespace

int main(int argc, char** argv)
{
    benchsupport::preferOffscreen();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Intervals between broadcast lines as the server sees them"_s);
    parser.addHelpOption();
    const QCommandLineOption linesOption(u"lines"_s, u"Lines in the broadcast list."_s, u"N"_s,
                                         u"20"_s);
    const QCommandLineOption threadOption(
        u"server-thread"_s, u"Run the server on a thread and event loop of its own."_s);
    parser.addOptions({linesOption, threadOption});
    parser.process(app);
    bool ok = false;
    const int lineCount = parser.value(linesOption).toInt(&ok);
    if (!ok || lineCount < 2 || lineCount > 1000) {
        std::fprintf(stderr, "--lines takes a number from 2 to 1000\n");
        return 2;
    }
    const int period = tolvane::broadcast::BroadcastEngine::kPacingIntervalMs;
    const bool ownThread = parser.isSet(threadOption);

    benchsupport::answerBoxes();
    QTemporaryDir tmp;
    const QString programDir = tmp.filePath(u"program"_s);
    const QString title = u"pacing"_s;
    QStringList lines;
    for (int i = 1; i <= lineCount; ++i)
        lines.append(u"pacing line %1"_s.arg(i));
    if (!tmp.isValid() || !benchsupport::makeDataDirectory(programDir) ||
        !tolvane::broadcast::WriteListFile(QDir(programDir + u"/TolvaneData"_s), title, lines)
             .ok()) {
        std::fprintf(stderr, "cannot prepare the data directory in %s\n", qPrintable(tmp.path()));
        return 1;
    }

    // The server is made, run and destroyed on its thread; `anchor` carries the calls there.
    QThread serverThread;
    QObject anchor;
    if (ownThread) {
        serverThread.start();
        anchor.moveToThread(&serverThread);
    }
    const auto onServerThread = [&](const std::function<void()>& call) {
        if (ownThread)
            QMetaObject::invokeMethod(&anchor, call, Qt::BlockingQueuedConnection);
        else
            call();
    };
    std::unique_ptr<VelmiraServer> server;
    bool listening = false;
    QString serverStat;
    tolvane::sim::SimOptions simOptions;
    simOptions.port = 0;
    simOptions.quiet = true;
    onServerThread([&] {
        server = std::make_unique<VelmiraServer>();
        listening = server->listen(simOptions);
        serverStat = threadStatPath();
    });
    const auto endServer = [&] {
        onServerThread([&] { server.reset(); });
        serverThread.quit();
        serverThread.wait();
    };
    if (!listening) {
        std::fprintf(stderr, "%s\n", qPrintable(server->errorString()));
        endServer();
        return 1;
    }
    // Outlive the server, whose thread may still be handling a request at the end.
    Arrivals arrivals;
    QElapsedTimer sinceStart;
    QEventLoop loop;
    const int rc = [&] {
        tolvane::console::ConsoleOptions options;
        options.settingsPath = tmp.filePath(u"Tolvane.ini"_s);
        options.programDirectory = programDir;
        options.port = server->serverPort();
        benchsupport::Desk desk(options);
        CTolvaneDeskDlg& window = desk.window;
        window.show();

        if (!benchsupport::connectAndLogIn(desk))
            return 1;

        auto* selector = qobject_cast<QComboBox*>(
            window.controlWidget(tolvane::ui::mainwindow::IDC_LIST_SELECTOR));
        auto* view =
            qobject_cast<QListWidget*>(window.controlWidget(tolvane::ui::mainwindow::IDC_LINES));
        selector->setCurrentIndex(selector->findText(title)); // loads it
        if (view->count() != lineCount) {
            std::fprintf(stderr, "the list view holds %d lines, not %d\n", view->count(),
                         lineCount);
            return 1;
        }

        // Direct connections: each arrival is noted where the server reads it.
        QObject::connect(
            server.get(), &VelmiraServer::requestReceived, server.get(),
            [&](const RequestRecord& record) {
                if (record.command != tolvane::protocol::CmdBroadcast)
                    return;
                const qint64 here = sinceStart.nsecsElapsed();
                const qint64 wait = benchsupport::runQueueWaitNs(u"thread-self"_s);
                const QMutexLocker lock(&arrivals.mutex);
                arrivals.hereNs.append(here);
                arrivals.serverNs.append(record.elapsedNs);
                arrivals.waitNs.append(wait);
                if (arrivals.serverNs.size() == lineCount)
                    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
            },
            Qt::DirectConnection);
        QObject::connect(
            server.get(), &VelmiraServer::broadcastReceived, server.get(),
            [&](const QString& text) {
                const QMutexLocker lock(&arrivals.mutex);
                arrivals.texts.append(text);
            },
            Qt::DirectConnection);
        // The console highlights each line right before it sends it: the pacing tick.
        QList<qint64> tickNs;
        QList<qint64> tickWaitNs;       // the console thread's wait for a CPU so far
        QList<qint64> serverTickWaitNs; // and the server thread's
        QObject::connect(view, &QListWidget::currentRowChanged, &loop, [&] {
            tickNs.append(sinceStart.nsecsElapsed());
            tickWaitNs.append(benchsupport::runQueueWaitNs());
            serverTickWaitNs.append(
                serverStat.isEmpty() ? -1 : benchsupport::runQueueWaitNs(serverStat));
        });
        QTimer::singleShot((lineCount + 3) * period, &loop, &QEventLoop::quit);

        std::printf("broadcasting %d lines to the in-process server on port %u; %s...\n", lineCount,
                    unsigned(server->serverPort()),
                    ownThread ? "the server runs on its own thread and event loop"
                              : "one event loop serves both sides");
        std::fflush(stdout);
        const benchsupport::MachineLoad load;
        const qint64 waitAtStart = benchsupport::runQueueWaitNs();
        sinceStart.start();
        window.controller().StartBroadcast();
        loop.exec();

        const QMutexLocker lock(&arrivals.mutex);
        if (arrivals.serverNs.size() != lineCount) {
            std::printf("only %lld of %d lines arrived\n", qlonglong(arrivals.serverNs.size()),
                        lineCount);
            return 1;
        }
        if (arrivals.texts != lines) {
            std::printf("the lines arrived out of order or altered\n");
            return 1;
        }

        // Each arrival against the schedule set by the start (n × 1500 ms), the tick
        // that sent it, and what kept either waiting.
        const bool ticksSeen = tickNs.size() == lineCount;
        double sum = 0;
        double worst = 0;
        for (qsizetype i = 0; i < lineCount; ++i) {
            const double due = double(i + 1) * period;
            const double arrived = double(arrivals.hereNs[i]) / 1e6;
            std::printf("line %2lld: arrived %+7.3f ms late", qlonglong(i + 1), arrived - due);
            if (ticksSeen) {
                const double tick = double(tickNs[i]) / 1e6;
                std::printf(", %.3f ms after its tick (tick %+.3f ms late)", arrived - tick,
                            tick - due);
                const qint64 before = i > 0 ? tickWaitNs[i - 1] : waitAtStart;
                if (before >= 0 && tickWaitNs[i] >= 0 && serverTickWaitNs[i] >= 0 &&
                    arrivals.waitNs[i] >= 0)
                    std::printf("; waited for a CPU: console %.3f ms up to the tick, server "
                                "%.3f ms after it",
                                double(tickWaitNs[i] - before) / 1e6,
                                double(arrivals.waitNs[i] - serverTickWaitNs[i]) / 1e6);
            }
            if (i > 0) {
                const double ms = double(arrivals.serverNs[i] - arrivals.serverNs[i - 1]) / 1e6;
                sum += ms;
                worst = std::max(worst, std::abs(ms - period));
                std::printf("; interval %9.3f ms (%+.3f)", ms, ms - period);
            }
            std::printf("\n");
        }
        const qsizetype intervals = lineCount - 1;
        const double mean = sum / double(intervals);
        std::printf("%s\n", load.describe().constData());
        if (benchsupport::boxCount() > 0)
            std::printf("note: %d message boxes were answered during the run\n",
                        benchsupport::boxCount());
        std::printf("pacing%s: mean %.2f ms, worst deviation %.2f ms over %lld intervals "
                    "(target ±5 ms)\n",
                    ownThread ? " (server thread)" : "", mean, worst, qlonglong(intervals));
        return 0;
    }();
    endServer();
    return rc;
}
