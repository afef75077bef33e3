#include "console/CommandSocketName.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <QRegularExpression>
#else
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tolvane::console {

using namespace Qt::StringLiterals;

#ifdef Q_OS_WIN

QString commandSocketName()
{
    // The pipe name space is shared by every session of the machine.
    QString user = qEnvironmentVariable("USERNAME");
    user.replace(QRegularExpression(u"[^A-Za-z0-9._-]"_s), u"_"_s);
    return u"tolvane-desk-"_s + (user.isEmpty() ? u"user"_s : user);
}

bool prepareCommandSocketDirectory(const QString&, QString*)
{
    return true;
}

#else

QString commandSocketName()
{
    const QString uid = QString::number(::getuid());
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() && QFileInfo(u"/run/user/"_s + uid).isDir())
        runtime = u"/run/user/"_s + uid;
    const QString dir = !runtime.isEmpty() ? runtime + u"/tolvane-desk"_s
                                           : QDir::tempPath() + u"/tolvane-desk-"_s + uid;
    return dir + u"/command"_s;
}

bool prepareCommandSocketDirectory(const QString& socketName, QString* error)
{
    const QByteArray dir = QFile::encodeName(QFileInfo(socketName).absolutePath());
    if (::mkdir(dir.constData(), 0700) != 0 && errno != EEXIST) {
        *error = u"cannot create "_s + QFile::decodeName(dir);
        return false;
    }
    // A directory someone else made (or a link they placed) must not hold our socket.
    struct stat st
    {
    };
    if (::lstat(dir.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        *error = QFile::decodeName(dir) + u" is not a directory of this user"_s;
        return false;
    }
    if ((st.st_mode & 0077) != 0 && ::chmod(dir.constData(), 0700) != 0) {
        *error = u"cannot make "_s + QFile::decodeName(dir) + u" private"_s;
        return false;
    }
    return true;
}

#endif

} // namespace tolvane::console
