// How late the time signal goes out after its second starts, on the real clock.
//
// A Qt::PreciseTimer of 300 ms drives the scheduler exactly as the main window
// does. For every second boundary of the run the first tick after it is what
// would send the hourly signal at minute 00 (or start an entry due in that
// second); its distance from the boundary is the lateness. Each second of the
// run also holds a custom entry, so a second without a tick shows up as a
// missed entry.
//
//   BenchTimeSignalLateness [--seconds N]     (default 60)

#include "timesignal/TimeSignalScheduler.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;
using tolvane::timesignal::TimeSignalEntry;
using tolvane::timesignal::TimeSignalScheduler;
using tolvane::timesignal::TimeSignalTexts;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Lateness of the time signal after each second boundary"_s);
    parser.addHelpOption();
    const QCommandLineOption secondsOption(u"seconds"_s, u"Length of the run in seconds."_s, u"N"_s,
                                           u"60"_s);
    parser.addOption(secondsOption);
    parser.process(app);
    bool ok = false;
    const int seconds = parser.value(secondsOption).toInt(&ok);
    if (!ok || seconds < 2 || seconds > 86400) {
        std::fprintf(stderr, "--seconds takes a number from 2 to 86400\n");
        return 2;
    }

    TimeSignalScheduler scheduler;
    TimeSignalTexts texts;
    texts.hourlyOn = texts.halfHourlyOn = u"ex"_s;
    scheduler.setTexts(texts);

    // One entry for every whole second of the run after the first.
    const qint64 startMs = QDateTime::currentMSecsSinceEpoch();
    const qint64 endMs = startMs + qint64(seconds) * 1000;
    QList<TimeSignalEntry> schedule;
    for (qint64 s = startMs / 1000 + 1; s < endMs / 1000 && schedule.size() < 500; ++s) {
        TimeSignalEntry e;
        e.time = QDateTime::fromMSecsSinceEpoch(s * 1000).time().toString(u"HHmmss"_s);
        e.listName = QString::number(s);
        e.enabled = true;
        schedule.append(e);
    }
    scheduler.setSchedule(schedule);

    QList<qint64> lateness;
    lateness.reserve(seconds + 1);
    qsizetype entriesStarted = 0;
    qint64 previousMs = startMs;

    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(300);
    QObject::connect(&timer, &QTimer::timeout, &app, [&] {
        // The clock is read once per tick, as the main window does.
        const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
        const QList<TimeSignalScheduler::Action> actions =
            scheduler.TimeSignalTick(QDateTime::fromMSecsSinceEpoch(nowMs), true);
        entriesStarted += std::count_if(actions.cbegin(), actions.cend(), [](const auto& a) {
            return a.kind == TimeSignalScheduler::Action::StartList;
        });
        // Every boundary passed since the previous tick is served by this one.
        for (qint64 boundary = (previousMs / 1000 + 1) * 1000; boundary <= nowMs; boundary += 1000)
            lateness.append(nowMs - boundary);
        previousMs = nowMs;
        if (nowMs >= endMs)
            app.quit();
    });
    timer.start();
    std::printf("running for %d s on a %d ms precise timer...\n", seconds, timer.interval());
    std::fflush(stdout);
    app.exec();

    if (lateness.isEmpty()) {
        std::printf("no second boundary was passed\n");
        return 1;
    }
    qint64 sum = 0;
    qint64 max = 0;
    for (qint64 l : lateness) {
        sum += l;
        max = std::max(max, l);
    }
    const double mean = double(sum) / double(lateness.size());
    std::printf("boundaries: %lld, mean %.1f ms, max %lld ms\n", qlonglong(lateness.size()), mean,
                qlonglong(max));
    std::printf("custom entries started: %lld of %lld\n", qlonglong(entriesStarted),
                qlonglong(schedule.size()));
    std::printf("time-signal lateness: mean %.1f ms, max %lld ms (target < 310 ms)\n", mean,
                qlonglong(max));
    return 0;
}
