#pragma once

#include <QtGlobal>

#ifdef Q_OS_WIN

#include <QString>

#include <functional>
#include <memory>

namespace tolvane::platform {

// The user this process runs as, as a SID string ("S-1-5-21-..."): from the process
// token, not the environment, so every start of one user agrees on it.
QString currentUserSid();

// The listening end of a named pipe that only this user can open and that nobody can
// have made before it. The first instance is created with FILE_FLAG_FIRST_PIPE_INSTANCE
// and a DACL naming this user alone: a pipe of that name made earlier by anyone,
// another user's impostor included, makes listen() fail instead of sharing the name
// (where the system ignores the flag, the instance count tells the same). Each client
// is handed over as a connected overlapped handle, which QLocalSocket takes with
// setSocketDescriptor(); the receiver owns it.
class PrivatePipeServer
{
public:
    using Handler = std::function<void(qintptr handle)>;

    explicit PrivatePipeServer(Handler onConnection);
    ~PrivatePipeServer();
    PrivatePipeServer(const PrivatePipeServer&) = delete;
    PrivatePipeServer& operator=(const PrivatePipeServer&) = delete;

    bool listen(const QString& name); // the name without "\\.\pipe\"
    void close();
    QString errorString() const;
    QString fullServerName() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Whether the pipe whose client end is `handle` is this user's own: served by a
// process that runs as this user, and open to nobody else. When it is not, `problem`
// says why, in English.
bool isOwnPipe(qintptr handle, QString* problem);

// The user a pipe's server process runs as (its SID string); empty when that cannot
// be read, as for another user's process.
QString pipeServerUserSid(qintptr handle);

} // namespace tolvane::platform

#endif
