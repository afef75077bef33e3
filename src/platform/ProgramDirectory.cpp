#include "platform/ProgramDirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace tolvane::platform {

using namespace Qt::StringLiterals;

QString programDirectory()
{
    return QCoreApplication::applicationDirPath();
}

QString userDataDirectory()
{
#ifdef Q_OS_WIN
    // The local, not the roaming, folder: the lists and the log belong to this machine.
    QString base = QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA"));
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#else
    // Named here, not after the running program: a command start does not set the
    // application's name.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#endif
    return base.isEmpty() ? QString() : base + u"/TolvaneDesk"_s;
}

bool isWritableDirectory(const QString& path)
{
    if (!QFileInfo(path).isDir())
        return false;
    QTemporaryFile probe(QDir(path).filePath(u".tolvane-probe-XXXXXX"_s));
    return probe.open();
}

QString chooseDataParent(const QString& programDir, bool programDirWritable, bool dataDirExists,
                         const QString& userDataDir)
{
    if (dataDirExists || programDirWritable || userDataDir.isEmpty())
        return programDir;
    return userDataDir;
}

QString dataParentDirectory()
{
    const QString program = programDirectory();
    const QString user = userDataDirectory();
    const QString parent =
        chooseDataParent(program, isWritableDirectory(program),
                         QFileInfo(QDir(program).filePath(kDataDirectoryName)).isDir(), user);
    if (parent == user)
        QDir().mkpath(user);
    return parent;
}

} // namespace tolvane::platform
