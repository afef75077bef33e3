// How long a large account list takes from the server's reply to a filled,
// scrollable list box in the account dialog, and what it costs in memory.
//
// The main window runs offscreen, logged in to a substitute server with N
// generated accounts. Each run opens a fresh account dialog (shown as the
// program's modal dialog is, without a nested loop), whose first showing asks
// for the list. The run ends when list box 1053 holds all N lines, has been
// painted and can scroll; then the view is scrolled to the last line and
// painted once more, and a reload into the filled list is timed (the
// "再読み込み" path). Between the reply and the paint lie the transfer over
// loopback, the console's reads and frame assembly, the dispatch with its
// posted notifications, the refill and the first layout of the list.
//
// One list is fetched before the runs, so the server's reply is built and kept
// by then. By default the server runs in this process and the clock starts
// when it has the list request in hand and writes the reply. With --sim-process it runs as its own
// velmira-sim process, so that the resident memory reported is the console's alone; the clock then
// starts when the console sends the request, which adds the request's way to
// the server and the server's write to the figure.
//
//   BenchAccountListFill [--runs N] [--accounts N] [--sim-process]
//                        (defaults 10 runs and 10000 accounts)

#include "BenchSupport.h"

#include "VelmiraServer.h"
#include "protocol/AccountMessages.h"
#include "ui/CTolvaneDeskDlg.h"
#include "ui/CVelmiraAccountDlg.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QListView>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

#ifndef VELMIRA_SIM_PATH
#error "VELMIRA_SIM_PATH must name the built velmira-sim"
#endif

using namespace Qt::StringLiterals;
using tolvane::sim::RequestRecord;
using tolvane::sim::VelmiraServer;
using tolvane::ui::CTolvaneDeskDlg;
using tolvane::ui::CVelmiraAccountDlg;

namespace {

constexpr int kMaxAccounts = 1'300'000; // about what a 64 MiB list reply holds

// Times of one list reply on one clock, in nanoseconds; -1 where not reached.
struct Fill
{
    qint64 requested = -1;  // the request is posted
    qint64 written = -1;    // an in-process server has the request and writes the reply
    qint64 dispatched = -1; // the account service signals the list to the dialog
    qint64 filled = -1;     // the list box holds every line
    qint64 painted = -1;    // the filled list box has been painted and can scroll

    qint64 start() const { return written >= 0 ? written : requested; }
};

// Notes when the list box is painted after it was filled.
class Stamper : public QObject
{
public:
    Stamper(const QElapsedTimer& clock, Fill& fill, const QListView* list)
        : m_clock(clock), m_fill(fill), m_list(list)
    {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_fill.filled >= 0 && m_fill.painted < 0 &&
            m_list->verticalScrollBar()->maximum() > 0)
            m_fill.painted = m_clock.nsecsElapsed();
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& m_clock;
    Fill& m_fill;
    const QListView* m_list;
};

// Waits for one list reply, from the request to the filled list box and its
// next paint.
// Set while a reply is awaited: notes that the service signalled it, before any
// dialog handles the signal.
std::function<void()> g_listSignalled;

Fill awaitFill(VelmiraServer* server, QListView* list, int accounts,
               const std::function<void()>& trigger)
{
    QElapsedTimer clock;
    clock.start();
    Fill fill;
    g_listSignalled = [&] {
        if (fill.dispatched < 0)
            fill.dispatched = clock.nsecsElapsed();
    };
    Stamper stamper(clock, fill, list);
    list->viewport()->installEventFilter(&stamper);
    QEventLoop loop;
    QMetaObject::Connection written;
    if (server) {
        written = QObject::connect(server, &VelmiraServer::requestReceived, &loop,
                                   [&](const RequestRecord& record) {
                                       if (record.command == tolvane::protocol::CmdAccountList)
                                           fill.written = clock.nsecsElapsed();
                                   });
    }
    const auto noteFilled = [&] {
        if (fill.filled < 0 && list->model()->rowCount() == accounts)
            fill.filled = clock.nsecsElapsed();
    };
    const auto reset =
        QObject::connect(list->model(), &QAbstractItemModel::modelReset, &loop, noteFilled);
    fill.requested = clock.nsecsElapsed();
    trigger();
    benchsupport::waitUntil([&] { return fill.filled >= 0; }, 20000, 1);
    // The paint follows by the window system's update request, if the platform paints.
    benchsupport::waitUntil([&] { return fill.painted >= 0; }, 2000, 1);
    QObject::disconnect(written);
    QObject::disconnect(reset);
    list->viewport()->removeEventFilter(&stamper);
    g_listSignalled = nullptr;
    return fill;
}

// Scrolls to the last line; the time until the view has painted it, in ms, or -1.
double scrollToEnd(QListView* list, const QString& lastLine)
{
    QElapsedTimer clock;
    clock.start();
    qint64 painted = -1;
    struct PaintSeen : QObject
    {
        std::function<void()> onPaint;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                onPaint();
            return false;
        }
    } seen;
    seen.onPaint = [&] {
        if (painted < 0)
            painted = clock.nsecsElapsed();
    };
    list->viewport()->installEventFilter(&seen);
    list->scrollToBottom();
    benchsupport::waitUntil([&] { return painted >= 0; }, 2000, 1);
    list->viewport()->removeEventFilter(&seen);
    const QModelIndex bottom = list->indexAt(QPoint(2, list->viewport()->height() - 2));
    const QModelIndex last = list->model()->index(list->model()->rowCount() - 1, 0);
    // The last line must be on screen: a view that only claims to scroll is no pass.
    const bool shown =
        bottom == last || list->visualRect(last).intersects(list->viewport()->rect());
    if (!shown || last.data().toString() != lastLine)
        return -1;
    return painted < 0 ? -1 : double(painted) / 1e6;
}

double ms(qint64 from, qint64 to)
{
    return from < 0 || to < 0 ? -1 : double(to - from) / 1e6;
}

double mb(std::optional<qint64> kb)
{
    return kb ? double(*kb) / 1024 : -1;
}

} // namespace

int main(int argc, char** argv)
{
    benchsupport::preferOffscreen();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Time from the server's list reply to the filled list box"_s);
    parser.addHelpOption();
    const QCommandLineOption runsOption(u"runs"_s, u"Number of dialogs opened."_s, u"N"_s, u"10"_s);
    const QCommandLineOption accountsOption(u"accounts"_s, u"Accounts on the server."_s, u"N"_s,
                                            u"10000"_s);
    const QCommandLineOption processOption(u"sim-process"_s,
                                           u"Run the server as its own velmira-sim process."_s);
    parser.addOptions({runsOption, accountsOption, processOption});
    parser.process(app);
    bool runsOk = false;
    bool accountsOk = false;
    const int runs = parser.value(runsOption).toInt(&runsOk);
    const int accounts = parser.value(accountsOption).toInt(&accountsOk);
    if (!runsOk || runs < 1 || runs > 1000) {
        std::fprintf(stderr, "--runs takes a number from 1 to 1000\n");
        return 2;
    }
    if (!accountsOk || accounts < 1 || accounts > kMaxAccounts) {
        std::fprintf(stderr, "--accounts takes a number from 1 to %d\n", kMaxAccounts);
        return 2;
    }
    const bool simProcess = parser.isSet(processOption);
    // The targets: 100 ms up to 100,000 accounts, 1 s and 400 MB beyond.
    const bool large = accounts > 100'000;
    const double targetMs = large ? 1000 : 100;

    benchsupport::answerBoxes();
    QTemporaryDir tmp;
    const QString programDir = tmp.filePath(u"program"_s);
    if (!tmp.isValid() || !benchsupport::makeDataDirectory(programDir)) {
        std::fprintf(stderr, "cannot prepare the data directory in %s\n", qPrintable(tmp.path()));
        return 1;
    }

    std::unique_ptr<VelmiraServer> server;
    QProcess sim;
    quint16 port = 0;
    if (simProcess) {
        port = benchsupport::startSimProcess(
            sim, QStringLiteral(VELMIRA_SIM_PATH),
            {u"--port"_s, u"0"_s, u"--quiet"_s, u"--accounts-count"_s, QString::number(accounts)},
            60000);
        if (port == 0)
            return 1;
    } else {
        server = std::make_unique<VelmiraServer>();
        server->seedAccounts(accounts);
        tolvane::sim::SimOptions simOptions;
        simOptions.port = 0;
        simOptions.quiet = true;
        if (!server->listen(simOptions)) {
            std::fprintf(stderr, "%s\n", qPrintable(server->errorString()));
            return 1;
        }
        port = server->serverPort();
    }

    tolvane::console::ConsoleOptions options;
    options.settingsPath = tmp.filePath(u"Tolvane.ini"_s);
    options.programDirectory = programDir;
    options.port = port;
    benchsupport::Desk desk(options);
    CTolvaneDeskDlg& window = desk.window;
    window.show();
    if (!benchsupport::connectAndLogIn(desk)) {
        benchsupport::stop(sim);
        return 1;
    }
    const QString lastId = u"player%1"_s.arg(accounts - 1, 7, 10, QLatin1Char('0'));
    // One list fetched before the runs, so the server has built its reply: what
    // it costs the server to lay out a million IDs is not the console's time.
    tolvane::console::AccountService& service = window.controller().accountService();
    // Connected before any dialog, so it runs before the dialog's refill.
    QObject::connect(&service, &tolvane::console::AccountService::listReceived, [] {
        if (g_listSignalled)
            g_listSignalled();
    });
    service.requestList();
    if (!benchsupport::waitUntil([&] { return service.store().list().recordCount() == accounts; },
                                 60000)) {
        std::fprintf(stderr, "the list of %d accounts did not arrive\n", accounts);
        benchsupport::stop(sim);
        return 1;
    }

    std::printf("%d runs: a fresh account dialog each, %s accounts of %d bytes on the wire, "
                "server %s...\n",
                runs, benchsupport::grouped(accounts).constData(), tolvane::protocol::kIdFieldSize,
                simProcess ? "in its own process" : "in this process");
    std::printf("resident memory before the first list: %.1f MB\n",
                mb(benchsupport::statusKb(u"self"_s, "VmRSS:")));
    std::fflush(stdout);
    QList<double> totals;
    QList<double> reloads;
    QList<double> scrolls;
    const benchsupport::MachineLoad load;
    for (int run = 1; run <= runs; ++run) {
        CVelmiraAccountDlg dialog(service, &window);
        auto* list = tolvane::ui::control<QListView>(&dialog, CVelmiraAccountDlg::IdAccounts);
        // Modal, as the program opens it.
        dialog.setWindowModality(Qt::ApplicationModal);
        const qint64 waitBefore = benchsupport::runQueueWaitNs();
        const Fill first = awaitFill(server.get(), list, accounts, [&] { dialog.show(); });
        if (first.painted < 0) {
            std::printf("run %d: the list box holds %d of %d lines and was %s painted after 20 s\n",
                        run, list->model()->rowCount(), accounts,
                        first.filled < 0 ? "not" : "filled but not");
            benchsupport::stop(sim);
            return 1;
        }
        const double scrolled = scrollToEnd(list, lastId);
        // The dialog's reload makes the same request.
        const Fill again = awaitFill(server.get(), list, accounts, [&] { service.requestList(); });
        totals.append(ms(first.start(), first.painted));
        if (again.filled >= 0)
            reloads.append(ms(again.start(), again.filled));
        if (scrolled >= 0)
            scrolls.append(scrolled);
        std::printf("run %2d: reply to dispatched %7.2f ms, refill %7.2f ms, painted after "
                    "%7.2f ms; scroll to the end %s; reload %7.2f ms; waited %.2f ms for a CPU\n",
                    run, ms(first.start(), first.dispatched), ms(first.dispatched, first.filled),
                    ms(first.start(), first.painted),
                    scrolled < 0 ? "FAILED" : qPrintable(u"%1 ms"_s.arg(scrolled, 0, 'f', 2)),
                    ms(again.start(), again.filled),
                    double(benchsupport::runQueueWaitNs() - waitBefore) / 1e6);
        std::fflush(stdout);
        dialog.hide();
    }
    const double rss = mb(benchsupport::statusKb(u"self"_s, "VmRSS:"));
    const double peak = mb(benchsupport::statusKb(u"self"_s, "VmHWM:"));
    benchsupport::stop(sim);

    std::printf("%s\n", load.describe().constData());
    if (benchsupport::boxCount() > 0)
        std::printf("note: %d message boxes were answered during the run\n",
                    benchsupport::boxCount());
    if (scrolls.size() < runs)
        std::printf("note: scrolling to the last line failed in %lld runs\n",
                    qlonglong(runs - scrolls.size()));
    std::printf("scroll to the last line and paint: median %.2f ms, max %.2f ms\n",
                benchsupport::median(scrolls), benchsupport::maximum(scrolls));
    std::printf("reload into the filled list: median %.2f ms, max %.2f ms\n",
                benchsupport::median(reloads), benchsupport::maximum(reloads));
    std::printf("resident memory after the runs: %.1f MB, peak %.1f MB%s%s\n", rss, peak,
                large ? " (target < 400 MB)" : "",
                simProcess ? "" : " (the in-process server included)");
    std::printf("account list fill (%s): median %.2f ms, max %.2f ms (target < %.0f ms)\n",
                benchsupport::grouped(accounts).constData(), benchsupport::median(totals),
                benchsupport::maximum(totals), targetMs);
    return 0;
}
