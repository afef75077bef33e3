#pragma once

#include "settings/CommandLine.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace tolvane::console {

// The exit status of the program when it runs no window: of a command handed to the
// running console, of --headless and of the usage; scripts test it.
enum class CommandStatus : int {
    Ok = 0,
    Usage = 1,             // the command line makes no sense; nothing was handed over
    NoConsole = 2,         // no console runs for this user
    NotLoggedIn = 3,       // the link is down or the console is not logged in
    UnknownList = 4,       // no stored list has that name
    BroadcastUnderWay = 5, // a broadcast is already running or waits for the link
    NoBroadcast = 6,       // --stop with no broadcast to stop
    NoAnswer = 7,          // the console did not answer in time, or not readably
    BadRequest = 8,        // the console could not read the request
    NotOwnSocket = 9,      // the command socket may not be this user's console's: not sent
    NotStarted = 10,       // the console cannot start: one of this user's runs, or no lock
};

// One command as it travels to the console.
struct CommandRequest
{
    settings::HandOverCommand command = settings::HandOverCommand::None;
    QString argument;
    bool all = false; // sent to every console of the user (--all)
};

// The console's answer: the status and the one line the command prints.
struct CommandReply
{
    CommandStatus status = CommandStatus::Ok;
    QString line;
};

// A message on the command socket: a 4-byte little-endian length, then that many
// bytes of UTF-8 JSON holding one object. Small, so a hostile peer cannot make the
// console hold much.
constexpr qsizetype kCommandLengthSize = 4;
constexpr qsizetype kMaxCommandPayload = 4096;

// The framed bytes of `message`; empty when its JSON would exceed the limit.
QByteArray encodeCommandFrame(const QJsonObject& message);

QJsonObject requestToJson(const CommandRequest& request);
// Null, with `error` set, when the object is not a request the console knows.
std::optional<CommandRequest> requestFromJson(const QJsonObject& object, QString* error);
QJsonObject replyToJson(const CommandReply& reply);
std::optional<CommandReply> replyFromJson(const QJsonObject& object);

// Reads one framed message from bytes that arrive in pieces of any size. It holds
// at most the limit plus the length field, never what a length merely declares.
// One message per connection: bytes after it are an error.
class CommandReader
{
public:
    enum class State {
        Incomplete, // more bytes are needed
        Complete,   // message() holds the object
        Failed,     // error() says why; further bytes change nothing
    };

    State feed(QByteArrayView bytes);
    State state() const { return m_state; }
    const QJsonObject& message() const { return m_message; }
    QString error() const { return m_error; }
    qsizetype bufferedBytes() const { return m_buffer.size(); }

private:
    State fail(QString error);

    QByteArray m_buffer;
    QJsonObject m_message;
    QString m_error;
    State m_state = State::Incomplete;
};

} // namespace tolvane::console
