// The schedule file TimeSignal.cfg and its lines, and the scheduler fed with what
// the file yields: a malformed entry never fires, a well-formed one fires once.
#include "FuzzSupport.h"

#include "platform/Cp932Codec.h"
#include "timesignal/TimeSignalFile.h"
#include "timesignal/TimeSignalScheduler.h"

#include <QDateTime>
#include <QTimeZone>

using namespace tolvane;
using namespace tolvane::timesignal;
using tolvane::fuzz::check;

namespace {

void checkLine(const QString& text)
{
    const TimeSignalLine line = ParseTimeSignalLine(text);
    if (line.error)
        return;
    const int time = TimeSignalScheduler::timeOfDayNumber(line.compactTime);
    check(time >= 0 && time / 10000 <= 23 && time / 100 % 100 <= 59 && time % 100 <= 59);
    check(line.displayTime.size() == 8 && !line.listName.isEmpty());
}

QDateTime at(int hour, int minute, int second)
{
    return QDateTime(QDate(2024, 1, 15), QTime(hour, minute, second), QTimeZone::utc());
}

// Saved from the dialog as read, the file keeps every line: the rows (names cut to
// 49 characters) and the kept lines come back as they were.
void checkSavedUnchanged(const TimeSignalFileContents& contents)
{
    EditableSchedule editable = splitForEditing(contents);
    const platform::Result<QByteArray> saved = encodeTimeSignalFile(editable.rows, editable.kept);
    if (!saved)
        return; // a name the decoder could not read cannot be saved
    for (TimeSignalRow& row : editable.rows)
        row.listName.truncate(kMaxListNameChars);
    const EditableSchedule again = splitForEditing(parseTimeSignalFile(*saved));
    check(again.rows.size() + again.kept.counted.size() ==
          editable.rows.size() + editable.kept.counted.size());
    check(again.kept.uncounted == editable.kept.uncounted);
    // Past the 500th entry, a kept line may move up among the rows.
    if (contents.lines.size() <= kMaxScheduleEntries) {
        check(again.rows == editable.rows);
        check(again.kept.counted == editable.kept.counted);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkLine(platform::decodeCp932(bytes));
    checkLine(QString::fromUtf8(bytes));

    const TimeSignalFileContents contents = parseTimeSignalFile(bytes);
    check(contents.declaredCount >= 0 && contents.lines.size() <= contents.declaredCount);
    const QList<TimeSignalEntry> schedule = LoadSchedule(contents);
    check(schedule.size() <= kMaxScheduleEntries);
    checkSavedUnchanged(contents);

    TimeSignalScheduler scheduler;
    scheduler.setTexts({QStringLiteral("ex"), QStringLiteral("ex"), QStringLiteral("%1"),
                        QStringLiteral("%s"), QString(), QStringLiteral("%n")});
    scheduler.setSchedule(schedule);
    check(scheduler.schedule().size() == schedule.size());
    for (const QDateTime& now :
         {at(0, 0, 0), at(0, 0, 0), at(12, 0, 0), at(12, 30, 0), at(23, 59, 59), QDateTime()})
        scheduler.TimeSignalTick(now, true);

    // The first few entries, each at its own time: it starts its list on the first
    // tick and not on the next one within the same second.
    for (qsizetype i = 0; i < qMin<qsizetype>(schedule.size(), 8); ++i) {
        const TimeSignalEntry& entry = schedule.at(i);
        const int time = TimeSignalScheduler::timeOfDayNumber(entry.time);
        check(time >= 0);
        const QDateTime now = at(time / 10000, time / 100 % 100, time % 100);
        check(now.isValid());
        TimeSignalScheduler fresh;
        fresh.setSchedule({entry});
        const auto first = fresh.TimeSignalTick(now, true);
        const TimeSignalScheduler::Action start{TimeSignalScheduler::Action::StartList,
                                                entry.listName};
        check(first.contains(start) == entry.enabled);
        check(!fresh.TimeSignalTick(now, true).contains(start));
    }
    return 0;
}
