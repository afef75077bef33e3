#pragma once

// The services that own the console's files, over a data directory and a settings
// file of a test's own, as the dialogs use them when no console is around them.

#include "console/MessageListService.h"
#include "console/ScheduleService.h"
#include "console/ServerSettingsService.h"
#include "settings/IniSettings.h"

#include <QDir>
#include <QString>

namespace testsupport {

struct FileServices
{
    // Everything is read as it stands on disk now.
    FileServices(const QDir& dataDir, const QString& iniPath)
        : schedule(tolvane::settings::IniSettings(iniPath), dataDir),
          server(tolvane::settings::IniSettings(iniPath))
    {
        lists.setDirectory(dataDir);
        schedule.load();
        server.load();
    }

    tolvane::console::MessageListService lists;
    tolvane::console::ScheduleService schedule;
    tolvane::console::ServerSettingsService server;
};

} // namespace testsupport
