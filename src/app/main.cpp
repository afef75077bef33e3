#include "console/ProgramStart.h"
#include "ui/CTolvaneDeskApp.h"

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// The program is a window program on Windows and so has no console of its own; a
// command or the headless console started from one writes to that one, in UTF-8.
// Scripts use the console program tolvane-desk.com instead, which the system waits
// for; a stream already handed over (redirected to a file or a pipe) is kept here.
void useParentConsole()
{
#ifdef Q_OS_WIN
    const auto handedOver = [](DWORD which) {
        const HANDLE h = GetStdHandle(which);
        return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
    };
    const bool outKept = handedOver(STD_OUTPUT_HANDLE);
    const bool errKept = handedOver(STD_ERROR_HANDLE);
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    SetConsoleOutputCP(CP_UTF8);
    std::FILE* ignored = nullptr;
    if (!outKept)
        freopen_s(&ignored, "CONOUT$", "w", stdout);
    if (!errKept)
        freopen_s(&ignored, "CONOUT$", "w", stderr);
#endif
}

} // namespace

// The window, or what a start does without one (the usage, the version, the console
// without a window, a command handed to the console that runs already), which needs
// no display.
int main(int argc, char* argv[])
{
    using namespace tolvane;
    if (const std::optional<int> status = console::runWithoutWindow(argc, argv, useParentConsole))
        return *status;
    return ui::CTolvaneDeskApp::run(argc, argv);
}
