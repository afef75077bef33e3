#include "timesignal/TimeSignalScheduler.h"

namespace tolvane::timesignal {

namespace {
const QChar kHourMark(0x6642);   // 時
const QChar kMinuteMark(0x5206); // 分

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}
} // namespace

void TimeSignalScheduler::setSchedule(QList<TimeSignalEntry> schedule)
{
    if (schedule.size() > kMaxScheduleEntries)
        schedule.resize(kMaxScheduleEntries);
    for (TimeSignalEntry& e : schedule)
        e.fired = false;
    m_schedule = std::move(schedule);
}

void TimeSignalScheduler::clearFixedFlags()
{
    m_hourlyFired = false;
    m_halfHourlyFired = false;
}

int TimeSignalScheduler::timeOfDayNumber(const QString& compactTime)
{
    if (compactTime.size() != 6)
        return -1;
    int n = 0;
    for (QChar c : compactTime) {
        // Only ASCII digits: QChar::isDigit would accept full-width and other digits.
        if (c.unicode() < u'0' || c.unicode() > u'9')
            return -1;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

QList<TimeSignalScheduler::Action> TimeSignalScheduler::TimeSignalTick(const QDateTime& localNow,
                                                                       bool enabled)
{
    QList<Action> actions;
    if (!localNow.isValid())
        return actions;
    const QTime now = localNow.time();
    const int hour = now.hour();
    const int minute = now.minute();
    const int timeOfDay = hour * 10000 + minute * 100 + now.second();

    if (minute > 0)
        m_hourlyFired = false;
    if (minute != 30)
        m_halfHourlyFired = false;

    // Several ticks fall within 00:00:00; only the first resets, or an entry at
    // 00:00:00 would be cleared again after firing and go out on every tick of it.
    if (timeOfDay == 0) {
        if (!m_midnightResetDone) {
            m_midnightResetDone = true;
            for (TimeSignalEntry& e : m_schedule)
                e.fired = false;
        }
    } else {
        m_midnightResetDone = false;
    }

    if (!enabled)
        return actions;

    // The texts are joined, never used as format strings: a "%" in them goes out as is.
    if (m_texts.hourlyEnabled() && minute == 0 && !m_hourlyFired) {
        m_hourlyFired = true;
        actions.append({Action::SendText,
                        m_texts.hourlyHead + twoDigits(hour) + kHourMark + m_texts.hourlyTail});
    }
    if (m_texts.halfHourlyEnabled() && minute == 30 && !m_halfHourlyFired) {
        m_halfHourlyFired = true;
        actions.append({Action::SendText, m_texts.halfHourlyHead + twoDigits(hour) + kHourMark +
                                              twoDigits(minute) + kMinuteMark +
                                              m_texts.halfHourlyTail});
    }

    for (TimeSignalEntry& e : m_schedule) {
        if (e.enabled && !e.fired && timeOfDayNumber(e.time) == timeOfDay) {
            e.fired = true;
            actions.append({Action::StartList, e.listName});
        }
    }
    return actions;
}

} // namespace tolvane::timesignal
