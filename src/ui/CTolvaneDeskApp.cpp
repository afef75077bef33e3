#include "ui/CTolvaneDeskApp.h"

#include "console/CommandSocketName.h"
#include "console/Console.h"
#include "platform/SingleInstanceLock.h"
#include "settings/CommandLine.h"
#include "settings/ProfileName.h"
#include "settings/Profiles.h"
#include "ui/CTolvaneDeskDlg.h"
#include "ui/MessageBoxSeam.h"

#include "Version.h"

#include <QApplication>
#include <QDir>
#include <QProxyStyle>

#include <cstdio>

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
    const QStringList arguments = QApplication::arguments().mid(1);
    const QString profile = settings::parseStartRequest(arguments).profile.value_or(QString());
    if (!profile.isEmpty()) {
        // A new name makes a new world: its folder, then the first start's files and
        // boxes. A name no folder may carry makes nothing.
        const QString refusal = settings::profileNameError(profile, settings::existingProfiles());
        if (!refusal.isEmpty()) {
            std::fputs((QStringLiteral("tolvane-desk: ") + refusal + u'\n').toUtf8().constData(),
                       stderr);
            ShowMessageBox(nullptr, QStringLiteral("プロファイル名「") + profile +
                                        QStringLiteral("」は使えません・・（；；\r") + refusal);
            return 1;
        }
        QDir().mkpath(settings::profileFolder(profile));
    }

    console::ConsoleOptions options = console::ConsoleOptions::forStart(profile);
    options.autoLogin = settings::autoLoginRequested(arguments);
    platform::SingleInstanceLock lock(options.lockFilePath());
    if (!lock.tryAcquire() && lock.heldElsewhere())
        return 0; // this world's console runs already: end at once, silently
    // A lock that cannot be taken for another reason (its folder is someone else's or
    // cannot be written) does not keep the operator from the window; but only the
    // holder of the lock takes commands, so this window takes none and says why.

    const QString socket = options.commandSocket();
    MessageBoxPrompts prompts;
    console::Console console(std::move(options), prompts);
    CTolvaneDeskDlg window(console, prompts);
    // Commands from scripts act on this window's console as its buttons do.
    console.start(&lock, socket);
    QObject::connect(&window, &QDialog::finished, &app, &QCoreApplication::quit);
    window.show();
    return app.exec();
}

} // namespace tolvane::ui
