#pragma once

#include "console/LinkState.h"
#include "console/TimeSource.h"
#include "net/ServerConnection.h"
#include "net/SessionProtocol.h"

#include <QObject>

#include <memory>

namespace tolvane::console {

// The console's one link to the server as a state machine: the connection, the
// connect, retry, poll and reply-deadline timers, and the login.
//
// Every event goes through handle(), which looks the event up with the state in one
// table (LinkSupervisor.cpp): the row names the next state and what to do. An event
// with no row for the state is ignored and written to the operator's log.
//
// A connection that breaks (closed, reset, or three player-count requests
// unanswered) is made again by itself, at once and then after 1, 2, 4 and every
// 5 s, and logged in again when it had been (or when the console logs in by
// itself). A refused login is never retried by itself: a wrong password must not
// hammer the server. What the console shows or does about each of these is the
// caller's business; this class only reports them.
class LinkSupervisor : public QObject
{
    Q_OBJECT
public:
    using State = LinkState;

    enum class Event {
        ConnectRequested, // start()'s request, handled after the handler that started
        RetryDue,         // the wait after a failed attempt or a lost link is over
        ConnectSucceeded,
        ConnectFailed,   // refused, unreachable, or no answer within kConnectTimeoutMs
        HostNotFound,    // a host text that names nothing: never told in a box
        Closed,          // the server closed the link or it broke
        SendFailed,      // a frame could not be handed over on a link thought up
        PollDue,         // the poll's beat, or the request that follows a login
        ReplyReceived,   // any reply: the server is there
        PollsUnanswered, // the last chance of a silent server went by
        LoginRequested,  // the operator's login
        LoginAccepted,
        LoginRefused,
    };
    Q_ENUM(Event)

    static constexpr int kPollTimerMs = 5000;
    static constexpr int kConnectTimeoutMs = 10000;
    // Unanswered player-count requests in a row that make a link count as lost,
    // once the last of them has had this long to be answered.
    static constexpr int kSilentPolls = 3;
    static constexpr int kReplyGraceMs = 1000;
    // The wait before the next attempt after `failures` failed ones in a row.
    static int retryDelayMs(int failures);

    // `time` outlives the supervisor; a null `connection` is a real socket.
    LinkSupervisor(TimeSource& time, std::unique_ptr<net::ServerConnection> connection,
                   bool autoLogin, QObject* parent = nullptr);
    ~LinkSupervisor() override;

    // The poll starts and the first attempt is requested, to run after the current
    // handler.
    void start(const QString& host, quint16 port);
    // The administrator password of the next login.
    void setPassword(const QString& password) { m_password = password; }

    // Logs in, or connects first and logs in as soon as the link is there.
    void login() { handle(Event::LoginRequested); }
    // False when nothing went out (no link, or the socket failed).
    bool send(const QByteArray& frame) { return m_connection->Send(frame); }
    // A frame that could not go out on a link thought up: the link counts as lost.
    void reportSendFailure() { handle(Event::SendFailed, m_connection->lastError()); }
    // The one door of the machine: the connection, the timers and the calls above all
    // come through here. `reason` goes into the log line of a failure or a loss.
    void handle(Event event, const QString& reason = {});

    State state() const { return m_state; }
    // Whether the socket is connected, which it may stop being before the news of
    // the close has been handled.
    bool isUp() const { return m_connection->isConnected(); }
    // Whether a login was accepted during this run.
    bool loggedInBefore() const { return m_memory.loggedInBefore; }
    // Whether the last login was refused and nobody has asked to log in since; it
    // stands across a lost link.
    bool refusalStands() const { return m_memory.plan == LoginPlan::Refused; }
    const net::SessionProtocol& session() const { return m_session; }
    net::ServerConnection& connection() const { return *m_connection; }

Q_SIGNALS:
    void stateChanged(tolvane::console::LinkState state);
    // A connection was made; `loggingIn` when a login went out with it.
    void connected(bool loggingIn);
    // The first attempt of the run failed in a way the operator is told of in a box.
    void firstConnectFailed();
    // An established link broke.
    void linkLost();
    void loginAccepted();
    void loginRefused(qint32 result);
    void playerCountReceived(qint32 players);
    // Every reply frame, each in a turn of the event loop of its own, once the link
    // has read it.
    void frameReceived(const tolvane::protocol::Frame& frame);
    // A line for the operator's log.
    void logged(const QString& text);
    // Raised here and handled here after the handler that raised them returns.
    void connectRequested();
    void pollDue();

private:
    // What a new link does about the login.
    enum class LoginPlan {
        Manual,    // nothing until the operator asks
        NextLink,  // the operator asked while the link was down: the next link logs in
        EveryLink, // -auto, or logged in before: every link logs in
        Refused,   // the password was refused: nothing until the operator asks
    };
    // What the machine remembers beside its state. Only the table's actions change it.
    struct Memory
    {
        LoginPlan plan = LoginPlan::Manual;
        bool loggedInBefore = false;
        int failedAttempts = 0; // in a row: the wait before the next one
        int unansweredPolls = 0;
    };
    // What a refusal falls back to once the operator logs in again.
    LoginPlan standingPlan() const;

    void connectNow();
    void linkMade(bool again);
    void connectFailed(const QString& reason, bool told);
    void lose(const QString& reason);
    void onConnectFinished(int errorCode);
    void onFrameReceived(const protocol::Frame& frame);

    TimeSource& m_time;
    std::unique_ptr<net::ServerConnection> m_connection;
    net::SessionProtocol m_session;
    const bool m_autoLogin;
    QString m_host;
    quint16 m_port = 0;
    QString m_password;

    State m_state = State::Idle;
    Memory m_memory;

    ConsoleTimer* m_pollTimer;      // timer 99: the player count every 5000 ms
    ConsoleTimer* m_retryTimer;     // the next connection attempt
    ConsoleTimer* m_connectTimeout; // an attempt that never answers
    ConsoleTimer* m_replyDeadline;  // the last chance of a silent server
};

} // namespace tolvane::console
