#include "settings/Profiles.h"

#include "platform/ProgramDirectory.h"

#include <QCryptographicHash>
#include <QDir>

#include <algorithm>

namespace tolvane::settings {

using namespace Qt::StringLiterals;

QString profilesRoot()
{
#ifdef Q_OS_WIN
    const QString base = platform::dataParentDirectory();
#else
    const QString base = platform::userDataDirectory();
#endif
    return QDir(base).filePath(u"profiles"_s);
}

QString profileFolder(const QString& name)
{
    return QDir(profilesRoot()).filePath(name);
}

QStringList existingProfiles()
{
    QStringList names =
        QDir(profilesRoot()).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    std::sort(names.begin(), names.end());
    return names;
}

QString profileKey(const QString& name)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
}

QString profileLabel(const QString& name)
{
    return name.isEmpty() ? u"(default)"_s : name;
}

} // namespace tolvane::settings
