#pragma once

#include "platform/Result.h"

#include <QDir>
#include <QList>
#include <QString>

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
    QList<QByteArray> rawLines;  // the same lines as bytes, without their line ends
    QByteArray uncounted;        // whatever follows the counted lines, byte for byte
};
TimeSignalFileContents parseTimeSignalFile(QByteArrayView bytes);
// Missing or Unreadable when the file cannot be read.
platform::Result<TimeSignalFileContents> ReadTimeSignalFile(const QDir& dir);

// The schedule the scheduler works on: of the first 500 lines, the well-formed ones.
// Lines past the 500th stay in the file (and in `contents`) but never fire.
QList<TimeSignalEntry> LoadSchedule(const TimeSignalFileContents& contents);

struct TimeSignalRow
{
    QString displayTime; // HH:MM:SS
    bool enabled = false;
    QString listName; // cut to 49 characters when written

    bool operator==(const TimeSignalRow&) const = default;
};

// Lines of a hand-edited file that the time-signal dialog cannot show as rows. They
// are written back unchanged, so saving from the dialog never loses them.
struct KeptLines
{
    // Malformed lines among the first 500 and every line past the 500th, in file
    // order; written after the rows and counted, so a reader still finds them (a
    // malformed one still never fires).
    QList<QByteArray> counted;
    // What followed the counted lines; written at the end, still uncounted.
    QByteArray uncounted;

    // The lines to tell the operator about: the counted ones and the uncounted ones
    // that hold anything.
    int lineCount() const;
    bool operator==(const KeptLines&) const = default;
};

// The file as the dialog edits it: the rows it shows (the entries the scheduler
// takes: the well-formed lines among the first 500) and the lines it keeps.
struct EditableSchedule
{
    QList<TimeSignalRow> rows;
    KeptLines kept;
};
EditableSchedule splitForEditing(const TimeSignalFileContents& contents);

// The bytes of the file: the count of rows and counted kept lines, the rows, the
// counted kept lines, then the uncounted ones. A well-formed kept line (one that was
// past the 500th) that would land among the first 500 goes uncounted instead, so it
// never starts firing. Unrepresentable, naming the display time or list name, when
// one holds a line break or a character that code page 932 cannot hold even folded
// (platform::foldForCp932).
platform::Result<QByteArray> encodeTimeSignalFile(const QList<TimeSignalRow>& rows,
                                                  const KeptLines& kept = {});
// Replaces the file atomically with those bytes and keeps it hidden. A failed write
// leaves the old file whole (WriteFailed); a refusal comes before anything is written.
platform::Result<void> WriteTimeSignalFile(const QDir& dir, const QList<TimeSignalRow>& rows,
                                           const KeptLines& kept = {});
// Writes the default file (the single line "0") and hides it.
platform::Result<void> CreateTimeSignalFile(const QDir& dir);

} // namespace tolvane::timesignal
