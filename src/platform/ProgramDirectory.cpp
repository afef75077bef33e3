#include "platform/ProgramDirectory.h"

#include <QCoreApplication>

namespace tolvane::platform {

QString programDirectory()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace tolvane::platform
