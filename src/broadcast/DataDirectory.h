#pragma once

#include "platform/Result.h"

#include <QDir>
#include <QString>

namespace tolvane::broadcast {

// What finding or creating the data directory beside the program did, so the console
// can tell the operator in the order things happened.
struct DataDirectoryOutcome
{
    QDir dir;             // where list files live from now on
    bool created = false; // the directory was made on this start
    // An error when it did not exist and could not be made.
    platform::Result<void> made;
    // On creation: writing the sample list and the default schedule file.
    platform::Result<void> sample;
    platform::Result<void> timeSignal;
};

// Finds `programDir`/TolvaneData, or creates it together with the sample list and the
// default time-signal file, and makes it the current directory. When it cannot be
// created, list operations work in whatever directory is current.
DataDirectoryOutcome EnsureDataDirectory(const QString& programDir);

} // namespace tolvane::broadcast
