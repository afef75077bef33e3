#include "platform/PrivatePipe.h"

#ifdef Q_OS_WIN

#include <QWinEventNotifier>

#include <aclapi.h>
#include <sddl.h>
#include <windows.h>

namespace tolvane::platform {

using namespace Qt::StringLiterals;

namespace {

constexpr DWORD kBufferSize = 8192;

QString systemMessage(DWORD error)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const QString message =
        text ? QString::fromWCharArray(text).trimmed() : u"error "_s + QString::number(error);
    LocalFree(text);
    return message;
}

// The user of a process's token, as a SID string; empty when it cannot be read.
QString tokenUserSid(HANDLE process)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    QByteArray buffer(qsizetype(size), '\0');
    QString sid;
    if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        wchar_t* text = nullptr;
        if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
            sid = QString::fromWCharArray(text);
            LocalFree(text);
        }
    }
    CloseHandle(token);
    return sid;
}

} // namespace

QString currentUserSid()
{
    return tokenUserSid(GetCurrentProcess());
}

struct PrivatePipeServer::Private
{
    Handler handler;
    QString name;
    PSECURITY_DESCRIPTOR security = nullptr;
    HANDLE pending = INVALID_HANDLE_VALUE; // the instance a client may connect to next
    OVERLAPPED overlapped{};
    std::unique_ptr<QWinEventNotifier> notifier;
    QString error;

    HANDLE createInstance(bool first)
    {
        SECURITY_ATTRIBUTES attributes{sizeof attributes, security, FALSE};
        return CreateNamedPipeW(
            reinterpret_cast<const wchar_t*>(name.utf16()),
            PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
            PIPE_UNLIMITED_INSTANCES, kBufferSize, kBufferSize, 0, &attributes);
    }

    // Waits for the next client on the pending instance; a client that came already
    // is handed over at once.
    void waitForClient()
    {
        while (pending != INVALID_HANDLE_VALUE) {
            ResetEvent(overlapped.hEvent);
            if (ConnectNamedPipe(pending, &overlapped))
                return; // overlapped: completion is signalled on the event
            const DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING)
                return;
            if (error == ERROR_PIPE_CONNECTED)
                handOver();
            else
                replacePending(); // that client went before it was taken: next one
        }
    }

    void onSignalled()
    {
        DWORD ignored = 0;
        if (GetOverlappedResult(pending, &overlapped, &ignored, FALSE))
            handOver();
        else
            replacePending();
        waitForClient();
    }

    void handOver()
    {
        const HANDLE connected = pending;
        pending = createInstance(false);
        handler(qintptr(connected));
    }

    void replacePending()
    {
        CloseHandle(pending);
        pending = createInstance(false);
    }

    void close()
    {
        notifier.reset();
        if (pending != INVALID_HANDLE_VALUE) {
            // The kernel writes into `overlapped` until the wait is over.
            DWORD ignored = 0;
            if (CancelIoEx(pending, &overlapped))
                GetOverlappedResult(pending, &overlapped, &ignored, TRUE);
            CloseHandle(pending);
            pending = INVALID_HANDLE_VALUE;
        }
        if (overlapped.hEvent) {
            CloseHandle(overlapped.hEvent);
            overlapped.hEvent = nullptr;
        }
        if (security) {
            LocalFree(security);
            security = nullptr;
        }
    }
};

PrivatePipeServer::PrivatePipeServer(Handler onConnection) : d(std::make_unique<Private>())
{
    d->handler = std::move(onConnection);
}

PrivatePipeServer::~PrivatePipeServer()
{
    d->close();
}

bool PrivatePipeServer::listen(const QString& name)
{
    d->close();
    d->name = u"\\\\.\\pipe\\"_s + name;
    const QString sid = currentUserSid();
    // Protected, so nothing is inherited: this user and nobody else, not even readers.
    const QString sddl = u"D:P(A;;GA;;;"_s + sid + u')';
    if (sid.isEmpty() || !ConvertStringSecurityDescriptorToSecurityDescriptorW(
                             reinterpret_cast<const wchar_t*>(sddl.utf16()), SDDL_REVISION_1,
                             &d->security, nullptr)) {
        d->error = u"cannot describe the pipe's access: "_s + systemMessage(GetLastError());
        return false;
    }
    d->pending = d->createInstance(true);
    if (d->pending == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        d->error = error == ERROR_ACCESS_DENIED
                       ? d->name + u" exists already: another process made it first"_s
                       : u"cannot create "_s + d->name + u": "_s + systemMessage(error);
        d->close();
        return false;
    }
    DWORD instances = 0;
    if (!GetNamedPipeHandleStateW(d->pending, nullptr, &instances, nullptr, nullptr, nullptr, 0) ||
        instances != 1) {
        d->error = d->name + u" exists already: another process made it first"_s;
        d->close();
        return false;
    }
    d->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    d->notifier = std::make_unique<QWinEventNotifier>(d->overlapped.hEvent);
    QObject::connect(d->notifier.get(), &QWinEventNotifier::activated, d->notifier.get(),
                     [p = d.get()] { p->onSignalled(); });
    d->waitForClient();
    return true;
}

void PrivatePipeServer::close()
{
    d->close();
}

QString PrivatePipeServer::errorString() const
{
    return d->error;
}

QString PrivatePipeServer::fullServerName() const
{
    return d->name;
}

QString pipeServerUserSid(qintptr handle)
{
    ULONG pid = 0;
    if (!GetNamedPipeServerProcessId(HANDLE(handle), &pid))
        return {};
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return {};
    const QString sid = tokenUserSid(process);
    CloseHandle(process);
    return sid;
}

bool isOwnPipe(qintptr handle, QString* problem)
{
    const QString own = currentUserSid();
    const QString server = pipeServerUserSid(handle);
    if (server.isEmpty() || server != own) {
        // Another user's process does not let this one read its token.
        *problem = u"the pipe is served by a process of another user"_s;
        return false;
    }
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(HANDLE(handle), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        *problem = u"the pipe's access cannot be read"_s;
        return false;
    }
    bool open = dacl == nullptr; // no DACL at all: everyone may open it
    for (DWORD i = 0; dacl && !open && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace))
            continue;
        if (static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        wchar_t* text = nullptr;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (ConvertSidToStringSidW(PSID(&allowed->SidStart), &text)) {
            open = QString::fromWCharArray(text) != own;
            LocalFree(text);
        }
    }
    LocalFree(descriptor);
    if (open) {
        *problem = u"the pipe is open to other users"_s;
        return false;
    }
    return true;
}

} // namespace tolvane::platform

#endif
