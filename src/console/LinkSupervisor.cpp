#include "console/LinkSupervisor.h"

#include "net/CClientASock.h"
#include "net/Notifications.h"
#include "protocol/SessionMessages.h"

#include <utility>

namespace tolvane::console {

using namespace Qt::StringLiterals;

int LinkSupervisor::retryDelayMs(int failures)
{
    switch (failures) {
    case 0:
        return 0;
    case 1:
        return 1000;
    case 2:
        return 2000;
    case 3:
        return 4000;
    default:
        return 5000;
    }
}

LinkSupervisor::LinkSupervisor(TimeSource& time, std::unique_ptr<net::ServerConnection> connection,
                               bool autoLogin, QObject* parent)
    : QObject(parent), m_time(time),
      m_connection(connection ? std::move(connection) : std::make_unique<net::CClientASock>()),
      m_autoLogin(autoLogin)
{
    m_connection->setParent(nullptr); // owned here, not by a parent
    m_connection->setOwner(this);
    connect(m_connection.get(), &net::ServerConnection::connectFinished, this,
            &LinkSupervisor::OnConnect);
    // Queued: the replies that were complete before the link broke are handled first.
    connect(m_connection.get(), &net::ServerConnection::closed, this, &LinkSupervisor::OnClose,
            Qt::QueuedConnection);

    m_pollTimer = m_time.createTimer(this);
    m_retryTimer = m_time.createTimer(this);
    m_connectTimeout = m_time.createTimer(this);
    m_replyDeadline = m_time.createTimer(this);
    m_retryTimer->setSingleShot(true);
    m_connectTimeout->setSingleShot(true);
    m_replyDeadline->setSingleShot(true);
    connect(m_pollTimer, &ConsoleTimer::timeout, this, &LinkSupervisor::onPollTimer);
    connect(m_retryTimer, &ConsoleTimer::timeout, this,
            [this] { transition(Event::ConnectRequested); });
    connect(m_connectTimeout, &ConsoleTimer::timeout, this,
            [this] { transition(Event::ConnectTimedOut, u"応答がありません"_s, true); });
    connect(m_replyDeadline, &ConsoleTimer::timeout, this,
            [this] { transition(Event::PollsUnanswered); });
}

LinkSupervisor::~LinkSupervisor()
{
    // The connection dies with the console without a word to the server.
    m_connection->setOwner(nullptr);
    m_connection->Close();
}

void LinkSupervisor::start(const QString& host, quint16 port)
{
    m_host = host;
    m_port = port;
    m_pollTimer->start(kPollTimerMs);
    net::postNotification(this, net::WM_CONNECT_SERVER);
}

void LinkSupervisor::login()
{
    transition(Event::LoginRequested);
}

bool LinkSupervisor::send(const QByteArray& frame)
{
    return m_connection->Send(frame);
}

void LinkSupervisor::reportSendFailure()
{
    transition(Event::SendFailed, m_connection->lastError());
}

void LinkSupervisor::transition(Event event, const QString& reason, bool showBox)
{
    switch (event) {
    case Event::ConnectRequested:
        connectNow();
        break;
    case Event::ConnectSucceeded: {
        m_retryTimer->stop();
        m_connectStarted = true;
        m_failedAttempts = 0;
        Q_EMIT logged(m_everConnected ? u"再接続しました"_s : u"接続しました"_s);
        m_everConnected = true;
        setState(State::Connected);
        const bool logIn = (m_autoLogin || m_wasLoggedIn || m_loginWanted) && !m_loginRefused;
        m_loginWanted = false;
        if (logIn)
            sendLogin();
        Q_EMIT connected(logIn);
        break;
    }
    case Event::ConnectFailed:
    case Event::ConnectTimedOut:
        connectFailed(reason, showBox);
        break;
    case Event::Closed:
    case Event::SendFailed:
        lose(reason);
        break;
    case Event::PollsUnanswered:
        if (m_state == State::LoggedIn && m_unansweredPolls >= kSilentPolls)
            lose(u"応答がありません（プレイヤー数の問い合わせ"_s + QString::number(kSilentPolls) +
                 u"回）"_s);
        break;
    case Event::LoginRequested:
        m_loginRefused = false;
        if (m_state == State::Lost) {
            // Tried again at once, and logged in as soon as the link is there.
            m_loginWanted = true;
            connectNow();
        } else if (m_state == State::Connecting) {
            m_loginWanted = true;
        } else {
            sendLogin();
        }
        break;
    case Event::LoginAccepted:
        m_loginPending = false;
        m_loginRefused = false;
        Q_EMIT logged(u"ログインしました"_s);
        setState(State::LoggedIn);
        // The player count follows at once.
        net::postNotification(this, net::WM_REQUEST_PLAYER_COUNT);
        Q_EMIT loginAccepted();
        break;
    case Event::LoginRefused:
        // A result nobody asked for changes nothing, as it always has.
        if (!std::exchange(m_loginPending, false))
            break;
        m_loginRefused = true;
        Q_EMIT logged(u"ログインを拒否されました（結果 "_s +
                      QString::number(m_session.lastLoginResult()) + u"）"_s);
        Q_EMIT loginRefused(m_session.lastLoginResult());
        break;
    }
}

void LinkSupervisor::setState(State state)
{
    m_state = state;
    Q_EMIT stateChanged(state);
}

void LinkSupervisor::connectNow()
{
    m_retryTimer->stop();
    if (m_failedAttempts == 0)
        Q_EMIT logged(u"接続開始 "_s + m_host + u":"_s + QString::number(m_port));
    setState(State::Connecting);
    m_connectTimeout->start(kConnectTimeoutMs);
    m_connection->Connect(m_host, m_port);
}

void LinkSupervisor::connectFailed(const QString& reason, bool showBox)
{
    m_connection->Close();
    const bool first = !m_connectStarted;
    m_connectStarted = true;
    if (m_failedAttempts == 0)
        Q_EMIT logged(u"接続できません："_s + reason);
    ++m_failedAttempts;
    // The next attempt is under way even while the operator reads about this one.
    m_retryTimer->start(retryDelayMs(m_failedAttempts));
    setState(State::Lost);
    if (first && showBox)
        Q_EMIT firstConnectFailed();
}

void LinkSupervisor::lose(const QString& reason)
{
    if (m_state == State::Lost)
        return;
    if (m_state == State::LoggedIn)
        m_wasLoggedIn = true;
    m_connection->Close();
    m_connectTimeout->stop();
    m_session.resetLogin();
    m_loginPending = false;
    m_unansweredPolls = 0;
    m_replyDeadline->stop();
    Q_EMIT linkLost();
    setState(State::Lost);
    Q_EMIT logged(u"切断："_s + reason);
    m_failedAttempts = 0;
    m_retryTimer->start(retryDelayMs(0)); // at once, on the next turn of the loop
}

void LinkSupervisor::sendLogin()
{
    if (m_connection->Send(protocol::buildLoginRequest(m_password)))
        m_loginPending = true;
}

void LinkSupervisor::OnConnect(int errorCode)
{
    m_connectTimeout->stop();
    if (errorCode == 0) {
        transition(Event::ConnectSucceeded);
        return;
    }
    // A host name that does not resolve is not told in a box.
    transition(Event::ConnectFailed, m_connection->lastError(),
               errorCode != net::ServerConnection::kHostNotFound);
}

void LinkSupervisor::OnClose(int errorCode)
{
    transition(Event::Closed,
               errorCode == net::CClientASock::errorCode(QAbstractSocket::RemoteHostClosedError)
                   ? u"鯖が接続を閉じました"_s
                   : m_connection->lastError());
}

void LinkSupervisor::onPollTimer()
{
    if (m_state == State::LoggedIn)
        net::postNotification(this, net::WM_REQUEST_PLAYER_COUNT);
}

void LinkSupervisor::sendPoll()
{
    if (send(protocol::buildPlayerCountRequest()) && m_state == State::LoggedIn &&
        ++m_unansweredPolls >= kSilentPolls)
        m_replyDeadline->start(kReplyGraceMs);
}

void LinkSupervisor::onFrameReceived()
{
    if (!m_connection->hasFrame())
        return;
    const protocol::Frame frame = m_connection->takeFrame();
    m_unansweredPolls = 0; // the server is there
    m_replyDeadline->stop();
    const net::SessionProtocol::Outcome outcome = m_session.Dispatch(frame);
    if (outcome == net::SessionProtocol::Outcome::LoginAccepted)
        transition(Event::LoginAccepted);
    else if (outcome == net::SessionProtocol::Outcome::LoginRefused)
        transition(Event::LoginRefused);
    Q_EMIT frameReceived(frame, outcome);
}

bool LinkSupervisor::event(QEvent* event)
{
    switch (int(event->type())) {
    case net::WM_FRAME_RECEIVED:
        onFrameReceived();
        return true;
    case net::WM_CONNECT_SERVER:
        transition(Event::ConnectRequested);
        return true;
    case net::WM_REQUEST_PLAYER_COUNT:
        sendPoll();
        return true;
    default:
        return QObject::event(event);
    }
}

} // namespace tolvane::console
