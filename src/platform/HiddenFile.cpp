#include "platform/HiddenFile.h"

#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace tolvane::platform {

bool setHidden(const QString& path)
{
#ifdef Q_OS_WIN
    const auto* wide = reinterpret_cast<const wchar_t*>(path.utf16());
    const DWORD attrs = GetFileAttributesW(wide);
    if (attrs == INVALID_FILE_ATTRIBUTES)
        return false;
    return SetFileAttributesW(wide, attrs | FILE_ATTRIBUTE_HIDDEN) != 0;
#else
    return QFileInfo::exists(path);
#endif
}

bool isHidden(const QFileInfo& info)
{
#ifdef Q_OS_WIN
    const DWORD attrs =
        GetFileAttributesW(reinterpret_cast<const wchar_t*>(info.absoluteFilePath().utf16()));
    if (attrs != INVALID_FILE_ATTRIBUTES &&
        (attrs & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
        return true;
    return false;
#else
    // The schedule file of the data directory must never show up as a message list.
    static const QLatin1StringView kConsoleHiddenName("TimeSignal.cfg");
    return info.fileName().startsWith(QLatin1Char('.')) ||
           info.fileName().compare(kConsoleHiddenName, Qt::CaseInsensitive) == 0;
#endif
}

} // namespace tolvane::platform
