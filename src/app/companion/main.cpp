// tolvane-desk.com, the console program beside the window program tolvane-desk.exe on
// Windows. Typed without its extension in the program's folder ("tolvane-desk
// --status"), cmd and PowerShell run it before the .exe, wait for it, keep its exit
// status and honour redirections: it writes to the streams it was given. Asked for the
// window, it starts tolvane-desk.exe and ends.
#include "console/CommandReader.h"
#include "console/ProgramStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <cstdio>

#include <windows.h>

namespace {

// Lines are written in UTF-8; a console window shows them so only in its UTF-8 code
// page, which is handed back as it was when the program ends.
class Utf8Console
{
public:
    Utf8Console() : m_codePage(GetConsoleOutputCP())
    {
        if (m_codePage != 0)
            SetConsoleOutputCP(CP_UTF8);
    }
    ~Utf8Console()
    {
        if (m_codePage != 0)
            SetConsoleOutputCP(m_codePage);
    }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    UINT m_codePage;
};

} // namespace

int main(int argc, char* argv[])
{
    using namespace tolvane;
    const Utf8Console console;
    if (const std::optional<int> status = console::runWithoutWindow(argc, argv))
        return *status;

    // The window: the program beside this one, in this directory (Tolvane.ini is read
    // from it), with the same arguments.
    QCoreApplication app(argc, argv);
    const QString window =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tolvane-desk.exe"));
    if (!QProcess::startDetached(window, QCoreApplication::arguments().mid(1),
                                 QDir::currentPath())) {
        std::fprintf(stderr, "tolvane-desk: cannot start %s\n",
                     QDir::toNativeSeparators(window).toUtf8().constData());
        return int(console::CommandStatus::NotStarted);
    }
    return int(console::CommandStatus::Ok);
}
