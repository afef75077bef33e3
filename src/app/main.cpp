#include "console/CommandClient.h"
#include "console/HeadlessConsole.h"
#include "settings/CommandLine.h"
#include "ui/CTolvaneDeskApp.h"

#include <QCoreApplication>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// The program is a window program on Windows and so has no console of its own; a
// command or the headless console started from one writes to that one, in UTF-8.
void useParentConsole()
{
#ifdef Q_OS_WIN
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    SetConsoleOutputCP(CP_UTF8);
    std::FILE* ignored = nullptr;
    freopen_s(&ignored, "CONOUT$", "w", stdout);
    freopen_s(&ignored, "CONOUT$", "w", stderr);
#endif
}

} // namespace

// The window, the console without one (--headless), or a command handed to the
// console that runs already (--say, --broadcast, --stop, --status). Neither of the
// last two needs a display.
int main(int argc, char* argv[])
{
    using namespace tolvane;
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const settings::StartRequest start = settings::parseStartRequest(arguments);
    if (start.headless || start.command != settings::HandOverCommand::None ||
        !start.error.isEmpty())
        useParentConsole();
    if (!start.error.isEmpty()) {
        std::fprintf(stderr,
                     "tolvane-desk: %s\nusage: tolvane-desk [-auto] | --headless | --say TEXT | "
                     "--broadcast LIST | --stop | --status\n",
                     start.error.toLocal8Bit().constData());
        return int(console::CommandStatus::Usage);
    }
    if (start.command != settings::HandOverCommand::None) {
        QCoreApplication app(argc, argv);
        // Read again as the system hands them over (on Windows in UTF-16, not through
        // the ANSI code page).
        const settings::StartRequest request =
            settings::parseStartRequest(QCoreApplication::arguments().mid(1));
        return console::CommandClient::run({request.command, request.argument});
    }
    if (start.headless)
        return console::HeadlessConsole::run(argc, argv);
    return ui::CTolvaneDeskApp::run(argc, argv);
}
