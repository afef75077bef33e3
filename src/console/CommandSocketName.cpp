#include "console/CommandSocketName.h"

#include "platform/PrivateDirectory.h"

#ifdef Q_OS_WIN
#include "platform/PrivatePipe.h"
#endif

namespace tolvane::console {

using namespace Qt::StringLiterals;

QString commandSocketPlace()
{
#ifdef Q_OS_WIN
    // The pipe name space is shared by every session of the machine.
    return u"tolvane-desk-"_s + platform::currentUserSid();
#else
    return platform::userRuntimeDirectory();
#endif
}

QString commandSocketName(const QString& place, const QString& name)
{
#ifdef Q_OS_WIN
    return place + u'-' + name;
#else
    return place + u'/' + name;
#endif
}

QString commandSocketName()
{
    return commandSocketName(commandSocketPlace());
}

} // namespace tolvane::console
