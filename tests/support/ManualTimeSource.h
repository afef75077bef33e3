#pragma once

#include "console/TimeSource.h"

#include <QList>
#include <QPointer>

namespace testsupport {

class ManualTimer;

// Time that moves only when the test says so. advance() fires every timer that
// falls due, in order of its due time, with the clock set to that moment, and
// delivers the posted notifications after each, as the event loop would between
// two timer events. A whole day of 300 ms ticks takes well under a second.
class ManualTimeSource : public tolvane::console::TimeSource
{
public:
    // The wall clock starts at `start` (its date and time of day; no time zone
    // plays a part).
    explicit ManualTimeSource(const QDateTime& start = QDateTime(QDate(2026, 12, 9), QTime(12, 0)));

    QDateTime now() const override { return m_start.addMSecs(m_elapsed); }
    // The time advanced since the start.
    qint64 elapsedMs() const { return m_elapsed; }
    tolvane::console::ConsoleTimer* createTimer(QObject* parent) override;

    void advance(qint64 ms);
    // Advances to the next moment the wall clock shows `time` (today or tomorrow).
    void advanceTo(const QTime& time);
    // Timers armed now.
    int activeTimers() const;

    // Delivers posted events until none is left, also those that handling them
    // posts in turn (a single QCoreApplication::sendPostedEvents leaves those for
    // the next turn of the loop).
    static void deliverPostedEvents();

private:
    friend class ManualTimer;
    QDateTime m_start;
    qint64 m_elapsed = 0;
    quint64 m_sequence = 0;
    QList<QPointer<ManualTimer>> m_timers;
};

} // namespace testsupport
