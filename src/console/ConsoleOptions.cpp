#include "console/ConsoleOptions.h"

#include "platform/ProgramDirectory.h"
#include "settings/CommandLine.h"

namespace tolvane::console {

ConsoleOptions ConsoleOptions::forStart()
{
    ConsoleOptions options;
    options.settingsPath = settings::settingsPathFor(QDir::currentPath());
    options.programDirectory = platform::dataParentDirectory();
    if (const auto port =
            settings::testServerPort(qEnvironmentVariable(settings::kTestServerPortVariable)))
        options.port = *port;
    return options;
}

} // namespace tolvane::console
