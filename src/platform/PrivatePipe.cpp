#include "platform/PrivatePipe.h"

#ifdef Q_OS_WIN

#include <QWinEventNotifier>

#include <vector>

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

// One instance of the pipe waiting for a client.
struct WaitingInstance
{
    HANDLE pipe = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
    std::unique_ptr<QWinEventNotifier> notifier;
};

struct PrivatePipeServer::Private
{
    // Several clients may come at once, before the event loop runs again; a pipe
    // without a waiting instance turns them away as busy.
    static constexpr int kWaitingInstances = 8;

    Handler handler;
    QString name;
    PSECURITY_DESCRIPTOR security = nullptr;
    std::vector<std::unique_ptr<WaitingInstance>> waiting;
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

    void addWaiting(HANDLE pipe)
    {
        auto& w = *waiting.emplace_back(std::make_unique<WaitingInstance>());
        w.pipe = pipe;
        w.overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        w.notifier = std::make_unique<QWinEventNotifier>(w.overlapped.hEvent);
        QObject::connect(w.notifier.get(), &QWinEventNotifier::activated, w.notifier.get(),
                         [this, p = &w] { onSignalled(*p); });
        waitForClient(w);
    }

    // Waits for the next client on `w`; a client that came already is handed over at
    // once.
    void waitForClient(WaitingInstance& w)
    {
        while (w.pipe != INVALID_HANDLE_VALUE) {
            ResetEvent(w.overlapped.hEvent);
            if (ConnectNamedPipe(w.pipe, &w.overlapped))
                return; // overlapped: the completion is signalled on the event
            const DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING)
                return;
            if (error == ERROR_PIPE_CONNECTED)
                handOver(w);
            else
                replace(w); // that client went before it was taken: the next one
        }
    }

    void onSignalled(WaitingInstance& w)
    {
        DWORD ignored = 0;
        if (GetOverlappedResult(w.pipe, &w.overlapped, &ignored, FALSE))
            handOver(w);
        else
            replace(w);
        waitForClient(w);
    }

    void handOver(WaitingInstance& w)
    {
        const HANDLE connected = w.pipe;
        w.pipe = createInstance(false);
        handler(qintptr(connected));
    }

    void replace(WaitingInstance& w)
    {
        CloseHandle(w.pipe);
        w.pipe = createInstance(false);
    }

    void close()
    {
        for (auto& w : waiting) {
            w->notifier.reset();
            if (w->pipe != INVALID_HANDLE_VALUE) {
                // The system writes into `overlapped` until the wait is over.
                DWORD ignored = 0;
                if (CancelIoEx(w->pipe, &w->overlapped))
                    GetOverlappedResult(w->pipe, &w->overlapped, &ignored, TRUE);
                CloseHandle(w->pipe);
            }
            CloseHandle(w->overlapped.hEvent);
        }
        waiting.clear();
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
    const HANDLE first = d->createInstance(true);
    if (first == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        d->error = error == ERROR_ACCESS_DENIED
                       ? d->name + u" exists already: another process made it first"_s
                       : u"cannot create "_s + d->name + u": "_s + systemMessage(error);
        d->close();
        return false;
    }
    DWORD instances = 0;
    if (!GetNamedPipeHandleStateW(first, nullptr, &instances, nullptr, nullptr, nullptr, 0) ||
        instances != 1) {
        CloseHandle(first);
        d->error = d->name + u" exists already: another process made it first"_s;
        d->close();
        return false;
    }
    d->addWaiting(first);
    for (int i = 1; i < Private::kWaitingInstances; ++i)
        d->addWaiting(d->createInstance(false));
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
