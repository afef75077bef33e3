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

QString TimeSignalScheduler::hourlyText(int hour) const
{
    return m_texts.hourlyHead + twoDigits(hour) + kHourMark + m_texts.hourlyTail;
}

QString TimeSignalScheduler::halfHourlyText(int hour) const
{
    return m_texts.halfHourlyHead + twoDigits(hour) + kHourMark + twoDigits(30) + kMinuteMark +
           m_texts.halfHourlyTail;
}

std::optional<TimeSignalScheduler::Due>
TimeSignalScheduler::nextSignal(const QDateTime& localNow) const
{
    if (!localNow.isValid())
        return std::nullopt;
    const QDateTime minuteStart(localNow.date(),
                                QTime(localNow.time().hour(), localNow.time().minute()));
    // A minute whose signal has not gone out yet is still due; otherwise the next one.
    std::optional<Due> next;
    for (int step = 0; step <= 60 && !next; ++step) {
        const QDateTime at = minuteStart.addSecs(step * 60);
        const int minute = at.time().minute();
        const bool current = step == 0;
        if (minute == 0 && m_texts.hourlyEnabled() && !(current && m_hourlyFired))
            next = Due{at, hourlyText(at.time().hour())};
        else if (minute == 30 && m_texts.halfHourlyEnabled() && !(current && m_halfHourlyFired))
            next = Due{at, halfHourlyText(at.time().hour())};
    }
    return next;
}

std::optional<TimeSignalScheduler::Due>
TimeSignalScheduler::nextList(const QDateTime& localNow) const
{
    if (!localNow.isValid())
        return std::nullopt;
    const QTime now = localNow.time();
    const int timeOfDay = now.hour() * 10000 + now.minute() * 100 + now.second();
    std::optional<Due> next;
    for (const TimeSignalEntry& e : m_schedule) {
        const int t = timeOfDayNumber(e.time);
        const QTime time(t / 10000, t / 100 % 100, t % 100);
        if (!e.enabled || t < 0 || !time.isValid())
            continue;
        const bool today = !e.fired && t >= timeOfDay;
        const QDateTime at(today ? localNow.date() : localNow.date().addDays(1), time);
        if (!next || at < next->at)
            next = Due{at, e.listName};
    }
    return next;
}

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
        actions.append({Action::SendText, hourlyText(hour)});
    }
    if (m_texts.halfHourlyEnabled() && minute == 30 && !m_halfHourlyFired) {
        m_halfHourlyFired = true;
        actions.append({Action::SendText, halfHourlyText(hour)});
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
