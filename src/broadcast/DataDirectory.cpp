#include "broadcast/DataDirectory.h"

#include "broadcast/MessageListStore.h"
#include "platform/ProgramDirectory.h"
#include "timesignal/TimeSignalFile.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace tolvane::broadcast {

DataDirectoryOutcome EnsureDataDirectory(const QString& programDir)
{
    DataDirectoryOutcome out;
    const QString path = QDir(programDir).filePath(platform::kDataDirectoryName);
    if (!QFileInfo(path).isDir()) {
        if (!QDir().mkdir(path)) {
            out.made = platform::FileError{platform::FileError::Kind::WriteFailed,
                                           {},
                                           {},
                                           u"cannot make the directory "_s + path};
            out.dir = QDir(QDir::currentPath());
            return out;
        }
        out.created = true;
        const QDir dir(path);
        const MessageList sample = sampleList();
        out.sample = WriteListFile(dir, sample.title, sample.lines);
        out.timeSignal = timesignal::CreateTimeSignalFile(dir);
    }
    QDir::setCurrent(path);
    out.dir = QDir(QFileInfo(path).absoluteFilePath());
    return out;
}

} // namespace tolvane::broadcast
