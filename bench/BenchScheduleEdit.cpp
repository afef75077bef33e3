// How soon a hand edit of TimeSignal.cfg is in use by the console without a window.
//
// The headless console runs in this process on the real clock, its data directory
// and settings file in a temporary folder (its connection goes to a port nobody
// listens on, which changes nothing about its files). Each run writes a schedule
// whose last entry is new to the console, as an editor saves it, and is timed from
// the moment the file is complete on disk to the moment the console's scheduler
// holds that entry. Two ways of saving alternate: replacing the file (a new file
// renamed over the old one, as most editors and the console itself save) and
// writing into it in place.
//
//   BenchScheduleEdit [--runs N]     (default 50 of each)

#include "BenchSupport.h"

#include "console/HeadlessConsole.h"
#include "timesignal/TimeSignalFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSaveFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;
using tolvane::console::HeadlessConsole;
using tolvane::console::ScheduleService;

namespace {

// A schedule of `entries` lines; the last one is at second `run` of the day.
QByteArray scheduleBytes(int run, int entries)
{
    QByteArray bytes = QByteArray::number(entries) + "\r\n";
    for (int i = 0; i < entries; ++i) {
        const int s = i == entries - 1 ? run : 80000 + i;
        bytes += u"%1:%2:%3,1,sample"_s.arg(s / 3600, 2, 10, QChar(u'0'))
                     .arg(s / 60 % 60, 2, 10, QChar(u'0'))
                     .arg(s % 60, 2, 10, QChar(u'0'))
                     .toLatin1();
        bytes += "\r\n";
    }
    return bytes;
}

QString compactTime(int second)
{
    return u"%1%2%3"_s.arg(second / 3600, 2, 10, QChar(u'0'))
        .arg(second / 60 % 60, 2, 10, QChar(u'0'))
        .arg(second % 60, 2, 10, QChar(u'0'));
}

bool save(const QString& path, const QByteArray& bytes, bool replace)
{
    if (replace) {
        QSaveFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
               file.commit();
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"From a hand edit of the schedule file to its use"_s);
    parser.addHelpOption();
    const QCommandLineOption runsOption(u"runs"_s, u"Edits of each kind."_s, u"N"_s, u"50"_s);
    parser.addOption(runsOption);
    parser.process(app);
    bool ok = false;
    const int runs = parser.value(runsOption).toInt(&ok);
    if (!ok || runs < 1 || runs > 10000) {
        std::fprintf(stderr, "--runs takes a number from 1 to 10000\n");
        return 2;
    }

    QTemporaryDir tmp;
    const QString program = tmp.filePath(u"program"_s);
    if (!tmp.isValid() || !benchsupport::makeDataDirectory(program)) {
        std::fprintf(stderr, "cannot prepare %s\n", qPrintable(tmp.path()));
        return 1;
    }
    // A port that was free a moment ago: the console's connection fails quietly.
    quint16 port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        port = probe.serverPort();
    }
    tolvane::console::ConsoleOptions options;
    options.settingsPath = tmp.filePath(u"Tolvane.ini"_s);
    options.programDirectory = program;
    options.port = port;
    HeadlessConsole console(options, nullptr, nullptr, nullptr);
    console.start({});
    const QString path = console.controller().schedule().directory().filePath(
        tolvane::timesignal::kTimeSignalFileName);

    benchsupport::MachineLoad load;
    QList<double> replaced;
    QList<double> inPlace;
    int missed = 0;
    for (int run = 0; run < 2 * runs; ++run) {
        const bool replace = run % 2 == 0;
        const QString wanted = compactTime(run + 1);
        QEventLoop loop;
        QElapsedTimer clock;
        double elapsedMs = -1;
        // Connected after the controller, so the scheduler has these entries already.
        const QMetaObject::Connection seen = QObject::connect(
            &console.controller().schedule(), &ScheduleService::scheduleChanged, &loop, [&] {
                const auto& entries = console.controller().schedule().entries();
                if (!entries.isEmpty() && entries.last().time == wanted && elapsedMs < 0) {
                    elapsedMs = double(clock.nsecsElapsed()) / 1e6;
                    loop.quit();
                }
            });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        if (!save(path, scheduleBytes(run + 1, 1 + run % 20), replace)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        clock.start();
        loop.exec();
        QObject::disconnect(seen);
        if (elapsedMs < 0)
            ++missed;
        else
            (replace ? replaced : inPlace).append(elapsedMs);
        // Whatever else the save stirred up is let go by before the next edit.
        benchsupport::runFor(20);
    }
    console.stop(u"end of the benchmark"_s);

    std::printf("-- %s\n", load.describe().constData());
    std::printf("hand edit of TimeSignal.cfg to the schedule in use, file replaced (%lld edits): "
                "median %.2f ms, max %.2f ms\n",
                static_cast<long long>(replaced.size()), benchsupport::median(replaced),
                benchsupport::maximum(replaced));
    std::printf("hand edit of TimeSignal.cfg to the schedule in use, written in place (%lld "
                "edits): median %.2f ms, max %.2f ms\n",
                static_cast<long long>(inPlace.size()), benchsupport::median(inPlace),
                benchsupport::maximum(inPlace));
    if (missed > 0) {
        std::printf("edits not taken up within 5 s: %d\n", missed);
        return 1;
    }
    return 0;
}
