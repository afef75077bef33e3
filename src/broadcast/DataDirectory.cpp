#include "broadcast/DataDirectory.h"

#include "broadcast/MessageListStore.h"
#include "platform/ProgramDirectory.h"
#include "timesignal/TimeSignalFile.h"

#include <QFileInfo>

namespace tolvane::broadcast {

DataDirectoryOutcome EnsureDataDirectory(const QString& programDir)
{
    DataDirectoryOutcome out;
    const QString path = QDir(programDir).filePath(platform::kDataDirectoryName);
    if (!QFileInfo(path).isDir()) {
        if (!QDir().mkdir(path)) {
            out.createFailed = true;
            out.dir = QDir(QDir::currentPath());
            return out;
        }
        out.created = true;
        const QDir dir(path);
        const MessageList sample = sampleList();
        out.sampleWritten = WriteListFile(dir, sample.title, sample.lines).ok();
        out.timeSignalWritten = timesignal::CreateTimeSignalFile(dir);
    }
    QDir::setCurrent(path);
    out.dir = QDir(QFileInfo(path).absoluteFilePath());
    return out;
}

} // namespace tolvane::broadcast
