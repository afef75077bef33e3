#pragma once

#include "timesignal/TimeSignalFile.h"
#include "timesignal/TimeSignalTexts.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace tolvane::timesignal {

// Turns the local time of each clock tick into the hourly and half-hourly signals
// and into the start of scheduled message lists. It never reads the clock itself:
// the caller reads it once per tick and hands it in, then carries out the returned
// actions in order (send a text, start a list).
class TimeSignalScheduler
{
public:
    struct Action
    {
        enum Kind {
            SendText,  // `text` is a composed signal, sent with the list-line byte cap
            StartList, // `text` is a list name for StartListBroadcast
        };
        Kind kind = SendText;
        QString text;

        bool operator==(const Action&) const = default;
    };

    void setTexts(const TimeSignalTexts& texts) { m_texts = texts; }
    const TimeSignalTexts& texts() const { return m_texts; }

    // Replaces the custom schedule (at most kMaxScheduleEntries are kept) and
    // clears every entry's fired flag.
    void setSchedule(QList<TimeSignalEntry> schedule);
    const QList<TimeSignalEntry>& schedule() const { return m_schedule; }

    // Clears the hourly and half-hourly fired flags (when the clock timer starts).
    void clearFixedFlags();
    bool hourlyFired() const { return m_hourlyFired; }
    bool halfHourlyFired() const { return m_halfHourlyFired; }

    // One step of the clock timer. The flags are re-armed and the midnight reset
    // runs whether or not the scheduler is enabled; signals and lists only start
    // while it is.
    QList<Action> TimeSignalTick(const QDateTime& localNow, bool enabled);

    // What falls due next, seen from `localNow`, as the ticks would find it: the
    // moment and the composed signal text or the list name. Null when nothing would.
    struct Due
    {
        QDateTime at;
        QString text;
        bool operator==(const Due&) const = default;
    };
    // The hourly or half-hourly signal (from the switches, not the enable box).
    std::optional<Due> nextSignal(const QDateTime& localNow) const;
    // The enabled custom entry that starts a list next; one already fired today waits
    // for tomorrow's midnight reset. Of two at the same moment, the first in the table.
    std::optional<Due> nextList(const QDateTime& localNow) const;

    // The time of day as the number whose decimal digits are HHMMSS; -1 when the
    // text is not exactly six digits, so a malformed time never matches.
    static int timeOfDayNumber(const QString& compactTime);

private:
    QString hourlyText(int hour) const;
    QString halfHourlyText(int hour) const;

    TimeSignalTexts m_texts;
    QList<TimeSignalEntry> m_schedule;
    bool m_hourlyFired = false;
    bool m_halfHourlyFired = false;
    bool m_midnightResetDone = false; // the reset has run in the current 00:00:00
};

} // namespace tolvane::timesignal
