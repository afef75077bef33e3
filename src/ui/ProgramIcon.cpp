#include "ui/ProgramIcon.h"

// Q_INIT_RESOURCE declares a function, so it must stand outside any namespace.
static void registerProgramResources()
{
    Q_INIT_RESOURCE(tolvane);
}

namespace tolvane::ui {

QIcon programIcon()
{
    static const bool registered = (registerProgramResources(), true);
    Q_UNUSED(registered);
    return QIcon(QStringLiteral(":/tolvane.png"));
}

} // namespace tolvane::ui
