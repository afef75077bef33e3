#include "platform/PrivateDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tolvane::platform {

using namespace Qt::StringLiterals;

#ifdef Q_OS_WIN

QString userRuntimeDirectory()
{
    // Not the temporary folder: a terminal server may give each session its own.
    QString local = QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA"));
    if (local.isEmpty())
        local = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return local + u"/TolvaneDesk"_s;
}

DirectoryCheck inspectPrivateDirectory(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {DirectoryTrust::Missing, path + u" does not exist"_s};
    if (info.isSymLink() || info.isJunction() || !info.isDir())
        return {DirectoryTrust::NotADirectory, path + u" is not a directory"_s};
    return {DirectoryTrust::Private, {}};
}

DirectoryCheck preparePrivateDirectory(const QString& path, bool* narrowed)
{
    if (narrowed)
        *narrowed = false;
    if (!QFileInfo::exists(path) && !QDir().mkdir(path))
        return {DirectoryTrust::Missing, u"cannot create "_s + path};
    return inspectPrivateDirectory(path);
}

#else

QString userRuntimeDirectory()
{
    const QString uid = QString::number(::getuid());
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() && QFileInfo(u"/run/user/"_s + uid).isDir())
        runtime = u"/run/user/"_s + uid;
    if (!runtime.isEmpty())
        return runtime + u"/tolvane-desk"_s;
    return QDir::tempPath() + u"/tolvane-desk-"_s + uid;
}

DirectoryCheck inspectPrivateDirectory(const QString& path)
{
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        if (errno == ENOENT)
            return {DirectoryTrust::Missing, path + u" does not exist"_s};
        return {DirectoryTrust::NotADirectory,
                path + u" cannot be examined: "_s + QString::fromLocal8Bit(std::strerror(errno))};
    }
    if (S_ISLNK(st.st_mode))
        return {DirectoryTrust::NotADirectory, path + u" is a link"_s};
    if (!S_ISDIR(st.st_mode))
        return {DirectoryTrust::NotADirectory, path + u" is not a directory"_s};
    if (st.st_uid != ::getuid())
        return {DirectoryTrust::ForeignOwner,
                path + u" belongs to another user (uid "_s + QString::number(st.st_uid) + u')'};
    if ((st.st_mode & 0077) != 0)
        return {DirectoryTrust::OpenToOthers,
                path + u" is open to other users (mode "_s +
                    QString::number(st.st_mode & 0777, 8).rightJustified(4, u'0') + u')'};
    return {DirectoryTrust::Private, {}};
}

DirectoryCheck preparePrivateDirectory(const QString& path, bool* narrowed)
{
    if (narrowed)
        *narrowed = false;
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return {DirectoryTrust::Missing, u"cannot create "_s + path + u": "_s +
                                             QString::fromLocal8Bit(std::strerror(errno))};
    DirectoryCheck check = inspectPrivateDirectory(path);
    if (check.trust == DirectoryTrust::OpenToOthers) {
        if (::chmod(name.constData(), 0700) != 0)
            return {check.trust, check.problem + u"; it cannot be made private"_s};
        if (narrowed)
            *narrowed = true;
        check = inspectPrivateDirectory(path);
    }
    return check;
}

#endif

} // namespace tolvane::platform
