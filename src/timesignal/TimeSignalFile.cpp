#include "timesignal/TimeSignalFile.h"

#include "platform/AtomicFile.h"
#include "platform/CountedLineReader.h"
#include "platform/Cp932Codec.h"
#include "platform/HiddenFile.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace tolvane::timesignal {

using platform::FileError;
using platform::Result;

namespace {

// Two ASCII digits forming a number no greater than `max`.
bool isTimeField(const QString& field, int max)
{
    if (field.size() != 2)
        return false;
    for (const QChar c : field) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return field.toInt() <= max;
}

// Replaces the file with `bytes` and keeps it hidden. Until commit() the old file
// stays whole, so a failed write never costs the schedule that was there. The
// schedule is written once committed; the attribute is added on a best-effort basis.
Result<void> replaceHidden(const QDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(kTimeSignalFileName);
    Result<void> written = platform::writeFileAtomically(path, bytes);
    if (written)
        platform::setHidden(path);
    return written;
}

// One field of an entry line in code page 932; Unrepresentable, naming `shown`, when
// the code page cannot hold it.
Result<QByteArray> encodeField(const QString& text, const QString& shown)
{
    QString refused;
    std::optional<QByteArray> bytes;
    // A line break would split the entry and shift every entry after it.
    if (!text.contains(u'\n'))
        bytes = platform::encodeCp932(platform::foldForCp932(text), &refused);
    if (!bytes)
        return FileError{FileError::Kind::Unrepresentable, shown, refused,
                         u"an entry code page 932 cannot hold"_s};
    return *bytes;
}

} // namespace

TimeSignalLine ParseTimeSignalLine(const QString& line)
{
    TimeSignalLine result;
    const qsizetype p = line.indexOf(u',');
    if (line.isEmpty() || p < 0) {
        result.error = true;
        return result;
    }
    if (p == 8) {
        // The separators at 2 and 5 are not looked at: "07-05-09" reads as 07:05:09.
        result.hour = line.mid(0, 2);
        result.minute = line.mid(3, 2);
        result.second = line.mid(6, 2);
        result.displayTime = result.hour + u':' + result.minute + u':' + result.second;
        result.compactTime = result.hour + result.minute + result.second;
        // A time that names no moment of the day must not reach the scheduler.
        if (!isTimeField(result.hour, 23) || !isTimeField(result.minute, 59) ||
            !isTimeField(result.second, 59))
            result.error = true;
    } else {
        result.error = true; // the remaining fields are still taken
    }
    if (p + 1 < line.size()) {
        const QChar flag = line.at(p + 1);
        result.enabled = flag >= u'1' && flag <= u'9';
    }
    // The character at p + 2 is the second separator and is not looked at.
    const QString rest = p + 3 < line.size() ? line.mid(p + 3) : QString();
    if (rest.isEmpty())
        result.error = true;
    else
        result.listName = rest;
    return result;
}

TimeSignalFileContents parseTimeSignalFile(QByteArrayView bytes)
{
    platform::CountedLineReader reader(bytes, std::numeric_limits<int>::max());
    TimeSignalFileContents contents;
    contents.declaredCount = reader.count();
    // Lines the count promises but the file lacks are simply absent.
    QByteArrayView line;
    for (int i = 0; i < reader.count() && reader.nextLine(line); ++i) {
        contents.lines.append(ParseTimeSignalLine(platform::decodeCp932(line)));
        contents.rawLines.append(line.toByteArray());
    }
    contents.uncounted = reader.rest().toByteArray();
    return contents;
}

Result<TimeSignalFileContents> ReadTimeSignalFile(const QDir& dir)
{
    const Result<QByteArray> file = platform::readWholeFile(dir.filePath(kTimeSignalFileName));
    if (!file)
        return file.error();
    return parseTimeSignalFile(*file);
}

QList<TimeSignalEntry> LoadSchedule(const TimeSignalFileContents& contents)
{
    // The table holds the first 500 entries of the file; a malformed one among them
    // keeps no slot, so it can never fire.
    QList<TimeSignalEntry> schedule;
    const qsizetype n = qMin<qsizetype>(contents.lines.size(), kMaxScheduleEntries);
    for (qsizetype i = 0; i < n; ++i) {
        const TimeSignalLine& line = contents.lines.at(i);
        if (line.error)
            continue;
        schedule.append({line.compactTime, line.listName, line.enabled, false});
    }
    return schedule;
}

int KeptLines::lineCount() const
{
    qsizetype n = counted.size();
    const QList<QByteArray> lines = uncounted.split('\n');
    for (const QByteArray& line : lines) {
        if (!line.trimmed().isEmpty())
            ++n;
    }
    return int(qMin<qsizetype>(n, std::numeric_limits<int>::max()));
}

EditableSchedule splitForEditing(const TimeSignalFileContents& contents)
{
    EditableSchedule schedule;
    for (qsizetype i = 0; i < contents.lines.size(); ++i) {
        const TimeSignalLine& line = contents.lines.at(i);
        if (i < kMaxScheduleEntries && !line.error)
            schedule.rows.append({line.displayTime, line.enabled, line.listName});
        else
            schedule.kept.counted.append(contents.rawLines.value(i));
    }
    schedule.kept.uncounted = contents.uncounted;
    return schedule;
}

Result<QByteArray> encodeTimeSignalFile(const QList<TimeSignalRow>& rows, const KeptLines& kept)
{
    // A well-formed kept line was past the 500th. With rows deleted it would move up
    // among the first 500 and start firing; it goes behind the counted lines instead,
    // where a reader keeps it and never schedules it.
    QList<QByteArray> counted;
    QByteArray pushedBack;
    for (const QByteArray& line : kept.counted) {
        if (rows.size() + counted.size() < kMaxScheduleEntries &&
            !ParseTimeSignalLine(platform::decodeCp932(line)).error)
            pushedBack += line + "\r\n";
        else
            counted.append(line);
    }
    QByteArray bytes = QByteArray::number(rows.size() + counted.size()) + "\r\n";
    for (const TimeSignalRow& row : rows) {
        const Result<QByteArray> time = encodeField(row.displayTime, row.displayTime);
        if (!time)
            return time.error();
        const Result<QByteArray> name =
            encodeField(row.listName.left(kMaxListNameChars), row.listName);
        if (!name)
            return name.error();
        bytes += *time;
        bytes += row.enabled ? ",1," : ",0,";
        bytes += *name;
        bytes += "\r\n";
    }
    for (const QByteArray& line : counted)
        bytes += line + "\r\n";
    bytes += pushedBack;
    bytes += kept.uncounted;
    return bytes;
}

Result<void> WriteTimeSignalFile(const QDir& dir, const QList<TimeSignalRow>& rows,
                                 const KeptLines& kept)
{
    const Result<QByteArray> bytes = encodeTimeSignalFile(rows, kept);
    if (!bytes)
        return bytes.error();
    return replaceHidden(dir, *bytes);
}

Result<void> CreateTimeSignalFile(const QDir& dir)
{
    return replaceHidden(dir, QByteArrayLiteral("0\r\n"));
}

} // namespace tolvane::timesignal
