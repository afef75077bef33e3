#pragma once

#include <QDir>
#include <QList>
#include <QString>

#include <optional>

// The custom schedule file TimeSignal.cfg: code page 932, CR LF, count line first,
// then "HH:MM:SS,E,list name" per entry. Kept hidden in the data directory.
namespace tolvane::timesignal {

inline const QString kTimeSignalFileName = QStringLiteral("TimeSignal.cfg");
constexpr int kMaxScheduleEntries = 500;
constexpr int kMaxListNameChars = 49;

struct TimeSignalEntry
{
    QString time; // HHMMSS
    QString listName;
    bool enabled = false;
    bool fired = false; // run-time only
};

struct TimeSignalLine
{
    QString hour;
    QString minute;
    QString second;
    QString displayTime; // HH:MM:SS
    QString compactTime; // HHMMSS
    bool error = false;
    bool enabled = false;
    QString listName;
};

// Parses one entry line. Never fails: `error` flags a malformed line, among them a
// time that is not HH:MM:SS in digits naming a moment of the day (such a line must
// never fire); the fields that could be taken are still filled.
TimeSignalLine ParseTimeSignalLine(const QString& line);

struct TimeSignalFileContents
{
    int declaredCount = 0;       // the count line as read
    QList<TimeSignalLine> lines; // min(count, lines present) parsed lines, malformed included
};
TimeSignalFileContents parseTimeSignalFile(QByteArrayView bytes);
// nullopt when the file cannot be opened.
std::optional<TimeSignalFileContents> ReadTimeSignalFile(const QDir& dir);

// The schedule the scheduler works on: of the first 500 lines, the well-formed ones.
// Lines past the 500th stay in the file (and in `contents`) but never fire.
QList<TimeSignalEntry> LoadSchedule(const TimeSignalFileContents& contents);

struct TimeSignalRow
{
    QString displayTime; // HH:MM:SS
    bool enabled = false;
    QString listName; // cut to 49 characters when written
};

struct TimeSignalWriteResult
{
    enum Status { Ok, Unrepresentable, IoError };
    Status status = Ok;
    QString offendingText; // Unrepresentable: the display time or list name refused
    // Unrepresentable: the characters of `offendingText` that code page 932 cannot hold,
    // each once; empty when it is refused for a line break.
    QString unrepresentable;
    bool ok() const { return status == Ok; }
};
// Replaces the file atomically with the rows and keeps it hidden. A failed write
// leaves the old file whole (IoError); a display time or list name that code page
// 932 cannot hold even folded (platform::foldForCp932), or that holds a line break,
// is refused before anything is written.
TimeSignalWriteResult WriteTimeSignalFile(const QDir& dir, const QList<TimeSignalRow>& rows);
// Writes the default file (the single line "0") and hides it; false on failure.
bool CreateTimeSignalFile(const QDir& dir);

} // namespace tolvane::timesignal
