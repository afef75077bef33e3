#pragma once

#include "platform/Result.h"

#include <QDir>
#include <QString>
#include <QStringList>

// Message-list files: one file per list in the data directory, named by the list's
// title, in code page 932 with CR LF line ends, the first line holding the count.
namespace tolvane::broadcast {

struct MessageList
{
    QString title;
    QStringList lines;
};

// The list written on first start ("試験放送♪" and its ten lines).
MessageList sampleList();

// The most lines a list can hold. A larger count line is read as this many, so a
// damaged count cannot make the reader pad out billions of missing lines.
constexpr int kMaxListLines = 100000;

// Parses the bytes of a list file: the leading decimal number of line 1 (leading
// blanks skipped, no digits give 0) is the count; exactly that many lines follow,
// LF or CR LF, missing ones empty, extra ones ignored.
QStringList parseListFile(QByteArrayView bytes);
// Reads the list `title` from `dir`. InvalidName for a title that is no bare file
// name; Missing or Unreadable when the file cannot be read.
platform::Result<QStringList> ReadListFile(const QDir& dir, const QString& title);

// The bytes a list file holds: count, lines (folded), each ended by CR LF.
// Unrepresentable, naming the line and its unrepresentable characters, when code page
// 932 cannot hold a line.
platform::Result<QByteArray> encodeListFile(const QStringList& lines);
// Writes the list atomically, replacing any file of that name. Title and lines are
// folded for code page 932 first (platform::foldForCp932), so the file is named by the
// folded title. A title must be a bare file name naming a visible file (not a
// dot-file, not the schedule file), without control characters (InvalidName); a line
// may not hold a line break (Unrepresentable). A refusal names the title or line as
// given and comes before anything is written; WriteFailed leaves the old file whole.
platform::Result<void> WriteListFile(const QDir& dir, const QString& title,
                                     const QStringList& lines);

// The names of the ordinary files of `dir` in the order the listing yields them:
// directories and hidden files left out, names whole, not sorted.
QStringList listFileNames(const QDir& dir);

// The shared lookup: the first entry, examined from index 1 to the last and then
// index 0, whose text begins with `name`, letters compared without regard to case and
// the look-alikes folded as the list writer folds them (platform::foldForCp932).
// -1 when none matches, and for an empty name.
int FindListByName(const QStringList& entries, const QString& name);

// Deletes a list file. InvalidName for a title that is no bare file name or names a
// hidden file; Missing when there is no such list; WriteFailed when it stays.
platform::Result<void> deleteListFile(const QDir& dir, const QString& title);

} // namespace tolvane::broadcast
