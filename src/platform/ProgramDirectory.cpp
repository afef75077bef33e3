#include "platform/ProgramDirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tolvane::platform {

QString programDirectory()
{
    return QCoreApplication::applicationDirPath();
}

QString chooseDataParent(const QString& programDir, bool programDirWritable, bool dataDirExists,
                         const QString& userDataDir)
{
#ifdef Q_OS_WIN
    Q_UNUSED(programDirWritable);
    Q_UNUSED(dataDirExists);
    Q_UNUSED(userDataDir);
    return programDir;
#else
    if (dataDirExists || programDirWritable || userDataDir.isEmpty())
        return programDir;
    return userDataDir;
#endif
}

QString dataParentDirectory()
{
    const QString program = programDirectory();
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString parent =
        chooseDataParent(program, QFileInfo(program).isWritable(),
                         QFileInfo(QDir(program).filePath(kDataDirectoryName)).isDir(), user);
    if (parent == user)
        QDir().mkpath(user);
    return parent;
}

} // namespace tolvane::platform
