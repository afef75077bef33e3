#include "ui/CTolvaneDeskApp.h"

#include "console/CommandSocketName.h"
#include "console/Console.h"
#include "platform/SingleInstanceLock.h"
#include "settings/CommandLine.h"
#include "ui/CTolvaneDeskDlg.h"
#include "ui/MessageBoxSeam.h"

#include "Version.h"

#include <QApplication>
#include <QProxyStyle>

#ifdef Q_OS_WIN
#include <winsock2.h>
#endif

namespace tolvane::ui {

namespace {
// Tooltips appear after 500 ms.
class ConsoleStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_ToolTip_WakeUpDelay)
            return 500;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};
} // namespace

int CTolvaneDeskApp::run(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TolvaneDesk"));
    QApplication::setApplicationVersion(kVersion);
    QApplication::setStyle(new ConsoleStyle);

#ifdef Q_OS_WIN
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        ShowMessageBox(nullptr, QStringLiteral("Windows ソケットの初期化に失敗しました。"));
        return 1;
    }
    struct WsaCleanup
    {
        ~WsaCleanup() { WSACleanup(); }
    } wsaCleanup;
#endif

    // QApplication has already taken its own options (-platform and the like) out of
    // the arguments; what is left are the program's own.
    const bool autoLogin = settings::autoLoginRequested(QApplication::arguments().mid(1));

    platform::SingleInstanceLock lock;
    if (!lock.tryAcquire() && lock.heldElsewhere())
        return 0; // another copy is running: end at once, silently
    // A lock that cannot be taken for another reason (its folder is someone else's or
    // cannot be written) does not keep the operator from the window; but only the
    // holder of the lock takes commands, so this window takes none and says why.

    console::ConsoleOptions options = console::ConsoleOptions::forStart();
    options.autoLogin = autoLogin;
    MessageBoxPrompts prompts;
    console::Console console(std::move(options), prompts);
    CTolvaneDeskDlg window(console, prompts);
    // Commands from scripts act on this window's console as its buttons do.
    console.start(&lock, console::commandSocketName());
    QObject::connect(&window, &QDialog::finished, &app, &QCoreApplication::quit);
    window.show();
    return app.exec();
}

} // namespace tolvane::ui
