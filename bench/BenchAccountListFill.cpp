// How long a large account list takes from the server's reply to the filled list
// box of the account dialog.
//
// The substitute server runs in this process with N accounts; the main window
// runs offscreen, logged in. Each run opens a fresh account dialog (shown as the
// program's modal dialog is, without a nested loop), whose first showing asks for
// the list. The clock starts when the server has the list request in hand and
// writes the reply (built before, so its cost is not counted), and stops when
// list box 1053 holds all N lines. Between those lie the transfer over loopback,
// the console's reads and frame assembly, the dispatch with its posted
// notifications, and the refill. The time until the list box is next painted is
// shown as well, and a reload into the filled list (the "再読み込み" path).
//
//   BenchAccountListFill [--runs N] [--accounts N]     (defaults 10 and 10000)

#include "BenchSupport.h"

#include "VelmiraServer.h"
#include "admin/AccountMessages.h"
#include "net/Notifications.h"
#include "ui/CTolvaneDeskDlg.h"
#include "ui/CVelmiraAccountDlg.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QListView>
#include <QTemporaryDir>

#include <cstdio>

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
    qint64 written = -1;    // the server has the request and writes the reply
    qint64 dispatched = -1; // the dialog receives WM_ACCOUNT_LIST_ARRIVED
    qint64 filled = -1;     // the list box holds every line
    qint64 painted = -1;    // the list box has been painted since
};

// Notes when the dialog is told that the list has arrived, and when the list
// box is painted after it was filled.
class Stamper : public QObject
{
public:
    Stamper(const QElapsedTimer& clock, Fill& fill) : m_clock(clock), m_fill(fill) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (int(event->type()) == tolvane::WM_ACCOUNT_LIST_ARRIVED && m_fill.dispatched < 0)
            m_fill.dispatched = m_clock.nsecsElapsed();
        else if (event->type() == QEvent::Paint && m_fill.filled >= 0 && m_fill.painted < 0)
            m_fill.painted = m_clock.nsecsElapsed();
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& m_clock;
    Fill& m_fill;
};

// Waits for one list reply, from the server's write to the filled list box and
// its next paint.
Fill awaitFill(VelmiraServer& server, CVelmiraAccountDlg& dialog, QListView* list, int accounts,
               const std::function<void()>& trigger)
{
    QElapsedTimer clock;
    clock.start();
    Fill fill;
    Stamper stamper(clock, fill);
    dialog.installEventFilter(&stamper);
    list->viewport()->installEventFilter(&stamper);
    QEventLoop loop;
    const auto written = QObject::connect(&server, &VelmiraServer::requestReceived, &loop,
                                          [&](const RequestRecord& record) {
                                              if (record.command == tolvane::wire::CmdAccountList)
                                                  fill.written = clock.nsecsElapsed();
                                          });
    const auto filled =
        QObject::connect(list->model(), &QAbstractItemModel::modelReset, &loop, [&] {
            if (fill.filled < 0 && list->model()->rowCount() == accounts)
                fill.filled = clock.nsecsElapsed();
        });
    trigger();
    benchsupport::waitUntil([&] { return fill.filled >= 0; }, 10000, 1);
    // The paint follows by the window system's update request, if the platform paints.
    benchsupport::waitUntil([&] { return fill.painted >= 0; }, 1000, 1);
    QObject::disconnect(written);
    QObject::disconnect(filled);
    list->viewport()->removeEventFilter(&stamper);
    dialog.removeEventFilter(&stamper);
    return fill;
}

double ms(qint64 from, qint64 to)
{
    return from < 0 || to < 0 ? -1 : double(to - from) / 1e6;
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
    parser.addOptions({runsOption, accountsOption});
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

    benchsupport::answerBoxes();
    QTemporaryDir tmp;
    const QString programDir = tmp.filePath(u"program"_s);
    if (!tmp.isValid() || !benchsupport::makeDataDirectory(programDir)) {
        std::fprintf(stderr, "cannot prepare the data directory in %s\n", qPrintable(tmp.path()));
        return 1;
    }

    VelmiraServer server;
    for (int i = 0; i < accounts; ++i) {
        tolvane::sim::Account account;
        account.id = u"player%1"_s.arg(i, 6, 10, QLatin1Char('0'));
        account.digestText = QByteArray(32, 'a');
        server.addAccount(account);
    }
    tolvane::sim::SimOptions simOptions;
    simOptions.port = 0;
    simOptions.quiet = true;
    if (!server.listen(simOptions)) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorString()));
        return 1;
    }

    tolvane::ui::DeskOptions options;
    options.settingsPath = tmp.filePath(u"Tolvane.ini"_s);
    options.programDirectory = programDir;
    options.port = server.serverPort();
    CTolvaneDeskDlg window(options);
    window.show();
    if (!benchsupport::connectAndLogIn(window))
        return 1;

    std::printf("%d runs: a fresh account dialog each, %s accounts of %d bytes on the wire...\n",
                runs, benchsupport::grouped(accounts).constData(), tolvane::admin::kIdFieldSize);
    std::fflush(stdout);
    QList<double> totals;
    QList<double> reloads;
    const benchsupport::MachineLoad load;
    for (int run = 1; run <= runs; ++run) {
        CVelmiraAccountDlg dialog(window.accounts(), &window, &window);
        auto* list = tolvane::ui::control<QListView>(&dialog, CVelmiraAccountDlg::IdAccounts);
        // Modal, as the program opens it, so the main window routes the reply to it.
        dialog.setWindowModality(Qt::ApplicationModal);
        const qint64 waitBefore = benchsupport::runQueueWaitNs();
        const Fill first = awaitFill(server, dialog, list, accounts, [&] { dialog.show(); });
        if (first.filled < 0 || first.written < 0) {
            std::printf("run %d: the list box holds %d of %d lines after 10 s\n", run,
                        list->model()->rowCount(), accounts);
            return 1;
        }
        // The dialog's reload posts the same request to the main window.
        const Fill again = awaitFill(server, dialog, list, accounts, [&] {
            tolvane::postNotification(&window, tolvane::WM_ACCOUNT_LIST_REQ);
        });
        totals.append(ms(first.written, first.filled));
        if (again.filled >= 0 && again.written >= 0)
            reloads.append(ms(again.written, again.filled));
        std::printf("run %2d: reply written to dispatched %7.2f ms, refill %7.2f ms, total %7.2f "
                    "ms; painted after %7.2f ms; reload total %7.2f ms; waited %.2f ms for a "
                    "CPU\n",
                    run, ms(first.written, first.dispatched), ms(first.dispatched, first.filled),
                    ms(first.written, first.filled), ms(first.written, first.painted),
                    ms(again.written, again.filled),
                    double(benchsupport::runQueueWaitNs() - waitBefore) / 1e6);
        dialog.hide();
    }

    std::printf("%s\n", load.describe().constData());
    if (benchsupport::boxCount() > 0)
        std::printf("note: %d message boxes were answered during the run\n",
                    benchsupport::boxCount());
    std::printf("reload into the filled list: median %.2f ms, max %.2f ms\n",
                benchsupport::median(reloads), benchsupport::maximum(reloads));
    std::printf("account list fill (%s): median %.2f ms, max %.2f ms (target < 100 ms)\n",
                benchsupport::grouped(accounts).constData(), benchsupport::median(totals),
                benchsupport::maximum(totals));
    return 0;
}
