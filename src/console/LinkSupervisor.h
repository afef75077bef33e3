#pragma once

#include "console/LinkState.h"
#include "console/TimeSource.h"
#include "net/ServerConnection.h"
#include "net/SessionProtocol.h"

#include <QObject>

#include <memory>

namespace tolvane::console {

// The console's one link to the server as a single state machine: the connection,
// the connect, retry, poll and reply-deadline timers, and the login.
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

    // What moves the machine; each goes through transition().
    enum class Event {
        ConnectRequested, // the start, the retry timer or a login while the link is down
        ConnectSucceeded,
        ConnectFailed,   // refused, unreachable or a host that names nothing
        ConnectTimedOut, // an address that swallows the attempt
        Closed,          // the server closed the link or it broke
        PollsUnanswered, // the last chance of a silent server went by
        SendFailed,      // a frame could not be handed over on a link thought up
        LoginRequested,  // the operator's login
        LoginAccepted,
        LoginRefused,
    };

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

    // The poll starts and the first attempt is posted, to run after the current handler.
    void start(const QString& host, quint16 port);
    // The administrator password of the next login.
    void setPassword(const QString& password) { m_password = password; }

    // Logs in, or connects first and logs in as soon as the link is there.
    void login();
    // False when nothing went out (no link, or the socket failed).
    bool send(const QByteArray& frame);
    // A frame that could not go out on a link thought up: the link counts as lost.
    void reportSendFailure();

    State state() const { return m_state; }
    bool isUp() const { return m_connection->isConnected(); }
    bool everConnected() const { return m_everConnected; }
    bool wasLoggedIn() const { return m_wasLoggedIn; }
    bool isLoginRefused() const { return m_loginRefused; }
    const net::SessionProtocol& session() const { return m_session; }
    net::ServerConnection& connection() const { return *m_connection; }

Q_SIGNALS:
    void stateChanged(tolvane::console::LinkState state);
    // A connection was made; `loggingIn` when a login went out with it.
    void connected(bool loggingIn);
    // The first attempt of the run failed in a way the operator is told of in a box.
    void firstConnectFailed();
    // An established link broke; stateChanged(Lost) follows.
    void linkLost();
    void loginAccepted();
    void loginRefused(qint32 result);
    // Every reply frame, once the session has read it.
    void frameReceived(const tolvane::protocol::Frame& frame,
                       tolvane::net::SessionProtocol::Outcome outcome);
    // A line for the operator's log.
    void logged(const QString& text);

protected:
    bool event(QEvent* event) override;

private:
    // The one place the link's state changes.
    void transition(Event event, const QString& reason = {}, bool showBox = false);
    void setState(State state);
    void connectNow();
    void connectFailed(const QString& reason, bool showBox);
    void lose(const QString& reason);
    void sendLogin();
    // The outcome of a connect attempt, and a link that ended without our asking.
    void OnConnect(int errorCode);
    void OnClose(int errorCode);
    void onFrameReceived();
    void onPollTimer();
    void sendPoll();

    TimeSource& m_time;
    std::unique_ptr<net::ServerConnection> m_connection;
    net::SessionProtocol m_session;
    const bool m_autoLogin;
    QString m_host;
    quint16 m_port = 0;
    QString m_password;

    State m_state = State::Connecting;
    bool m_connectStarted = false;
    bool m_everConnected = false;
    bool m_wasLoggedIn = false;  // log in again by itself after a reconnection
    bool m_loginWanted = false;  // the operator asked to log in while the link was down
    bool m_loginRefused = false; // never retried by itself; the operator's login clears it
    bool m_loginPending = false; // a login went out and its answer has not come
    int m_failedAttempts = 0;
    int m_unansweredPolls = 0;

    ConsoleTimer* m_pollTimer;      // timer 99: the player count every 5000 ms
    ConsoleTimer* m_retryTimer;     // the next connection attempt
    ConsoleTimer* m_connectTimeout; // an attempt that never answers
    ConsoleTimer* m_replyDeadline;  // the last chance of a silent server
};

} // namespace tolvane::console
