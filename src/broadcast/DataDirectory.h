#pragma once

#include <QDir>
#include <QString>

namespace tolvane::broadcast {

// What finding or creating the data directory beside the program did, so the console
// can tell the operator in the order things happened.
struct DataDirectoryOutcome
{
    QDir dir;                       // where list files live from now on
    bool created = false;           // the directory was made on this start
    bool createFailed = false;      // it did not exist and could not be made
    bool sampleWritten = false;     // on creation: the sample list was written
    bool timeSignalWritten = false; // on creation: the default schedule file was written
};

// Finds `programDir`/TolvaneData, or creates it together with the sample list and the
// default time-signal file, and makes it the current directory. When it cannot be
// created, list operations work in whatever directory is current.
DataDirectoryOutcome EnsureDataDirectory(const QString& programDir);

} // namespace tolvane::broadcast
