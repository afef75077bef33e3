#include "platform/TerminationSignals.h"

#include <QMetaObject>
#include <QPointer>

#include <csignal>

#ifdef Q_OS_WIN
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>
#else
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace tolvane::platform {

namespace {
TerminationSignals* g_instance = nullptr;
} // namespace

QString TerminationSignals::signalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGINT:
        return QStringLiteral("SIGINT");
    default:
        return QStringLiteral("signal %1").arg(signalNumber);
    }
}

#ifdef Q_OS_WIN

namespace {
BOOL WINAPI onConsoleControl(DWORD type)
{
    // Runs on a thread of its own: the request goes to the event loop's thread.
    const int number = type == CTRL_C_EVENT ? SIGINT : SIGTERM;
    if (TerminationSignals* instance = g_instance) {
        QMetaObject::invokeMethod(
            instance, [instance, number] { Q_EMIT instance->terminationRequested(number); },
            Qt::QueuedConnection);
        return TRUE;
    }
    return FALSE;
}

// A program without windows is asked to end by a WM_CLOSE posted to its main thread
// (what QProcess::terminate() and other well-behaved supervisors send).
class CloseMessageFilter : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        const auto* msg = static_cast<const MSG*>(message);
        if (eventType != "windows_generic_MSG" || msg->hwnd || msg->message != WM_CLOSE)
            return false;
        if (TerminationSignals* instance = g_instance)
            Q_EMIT instance->terminationRequested(SIGTERM);
        return true;
    }
};
CloseMessageFilter g_closeFilter;
} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (g_instance)
        return;
    g_instance = this;
    m_installed = SetConsoleCtrlHandler(onConsoleControl, TRUE) != 0;
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installNativeEventFilter(&g_closeFilter);
}

TerminationSignals::~TerminationSignals()
{
    if (g_instance != this)
        return;
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(&g_closeFilter);
    g_instance = nullptr;
}

void TerminationSignals::onReadable() {}

#else

namespace {
int g_fds[2] = {-1, -1}; // the handler writes to [0], the event loop reads [1]

extern "C" void onTerminationSignal(int number)
{
    // Only what is safe in a signal handler: one write of one byte.
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &byte, 1);
    errno = saved;
}
} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (g_instance || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_fds) != 0)
        return;
    for (const int fd : g_fds) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    g_instance = this;
    m_notifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::onReadable);

    struct sigaction action
    {
    };
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    m_installed =
        ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
}

TerminationSignals::~TerminationSignals()
{
    if (g_instance != this)
        return;
    struct sigaction action
    {
    };
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(g_fds[0]);
    ::close(g_fds[1]);
    g_fds[0] = g_fds[1] = -1;
    g_instance = nullptr;
}

void TerminationSignals::onReadable()
{
    char bytes[16];
    const ssize_t n = ::read(g_fds[1], bytes, sizeof bytes);
    for (ssize_t i = 0; i < n; ++i)
        Q_EMIT terminationRequested(int(bytes[i]));
}

#endif

} // namespace tolvane::platform
