#include "console/LinkSupervisor.h"

#include "net/CClientASock.h"
#include "protocol/SessionMessages.h"

#include <QMetaEnum>

#include <initializer_list>
#include <optional>
#include <utility>

namespace tolvane::console {

using namespace Qt::StringLiterals;

namespace {

using State = LinkState;
using Event = LinkSupervisor::Event;

// What a row does besides moving to its state.
enum class Action {
    None,
    Connect,        // an attempt, and its deadline
    WantLogin,      // the next link logs in
    ConnectToLogIn, // ... and the link is tried at once
    Link,           // the run's first link; the login goes out when the row says LoggingIn
    Relink,         // a link made again
    Fail,           // the attempt is over; the next one after the backoff
    FailTold,       // ... and the operator is told in a box
    Lose,           // the link is closed and tried again at once
    SendLogin,
    Accept,
    Refuse,
    Poll,  // a player-count request; the third unanswered in a row arms the deadline
    Heard, // the unanswered requests are forgotten
};

// What a row asks of the login plan besides the state and the event.
enum class If {
    Always,
    LoginPlanned,  // the next link logs in
    RefusalStands, // the password was refused and the operator has not asked again
};

using StateSet = quint32;

constexpr StateSet in(std::initializer_list<State> states)
{
    StateSet set = 0;
    for (State s : states)
        set |= StateSet(1) << int(s);
    return set;
}

struct Row
{
    StateSet from;
    Event event;
    If when;
    std::optional<State> to; // Stay: the state does not change
    Action action;
};

constexpr std::optional<State> Stay = std::nullopt;

using enum LinkState;
using enum LinkSupervisor::Event;
using enum Action;
using enum If;

constexpr StateSet kLinkMade = in({Connected, LoggingIn, LoggedIn, Refused});

// Every change of the link's state; the first row that matches is taken. A pair with
// no row makes no sense (the server answering a login nobody sent, a connect outcome
// with no attempt under way): handle() ignores it and logs it.
// clang-format off
constexpr Row kTable[] = {
    // from                         event             if             to            action
    // The run's first attempt. Its failure is told in a box, unless the host names
    // nothing; then tried again after 1, 2, 4 and every 5 s.
    {in({Idle}),                    ConnectRequested, Always,        Starting,     Connect},
    {in({Starting, Connecting}),    ConnectSucceeded, LoginPlanned,  LoggingIn,    Link},
    {in({Starting, Connecting}),    ConnectSucceeded, Always,        Connected,    Link},
    {in({Starting}),                ConnectFailed,    Always,        Unreachable,  FailTold},
    {in({Starting, Connecting}),    HostNotFound,     Always,        Unreachable,  Fail},
    {in({Connecting}),              ConnectFailed,    Always,        Unreachable,  Fail},
    {in({Unreachable}),             RetryDue,         Always,        Connecting,   Connect},
    // A link that breaks (closed, reset, three polls unanswered) is tried again at
    // once, then after 1, 2, 4 and every 5 s, and logged in again unless refused.
    {kLinkMade,                     Closed,           Always,        Lost,         Lose},
    {kLinkMade,                     SendFailed,       Always,        Lost,         Lose},
    {in({LoggedIn}),                PollsUnanswered,  Always,        Lost,         Lose},
    {in({Lost}),                    RetryDue,         Always,        Reconnecting, Connect},
    {in({Reconnecting}),            ConnectSucceeded, RefusalStands, Refused,      Relink},
    {in({Reconnecting}),            ConnectSucceeded, LoginPlanned,  LoggingIn,    Relink},
    {in({Reconnecting}),            ConnectSucceeded, Always,        Connected,    Relink},
    {in({Reconnecting}),            ConnectFailed,    Always,        Lost,         Fail},
    {in({Reconnecting}),            HostNotFound,     Always,        Lost,         Fail},
    // The operator's login: while the link is down it is tried at once and goes out
    // with the link. Only this clears a refusal; a later answer may still accept.
    {in({Idle, Starting, Connecting, Reconnecting}),
                                    LoginRequested,   Always,        Stay,         WantLogin},
    {in({Unreachable}),             LoginRequested,   Always,        Connecting,   ConnectToLogIn},
    {in({Lost}),                    LoginRequested,   Always,        Reconnecting, ConnectToLogIn},
    {in({Connected, LoggingIn, Refused}),
                                    LoginRequested,   Always,        LoggingIn,    SendLogin},
    {in({LoggingIn, Refused}),      LoginAccepted,    Always,        LoggedIn,     Accept},
    {in({LoggingIn}),               LoginRefused,     Always,        Refused,      Refuse},
    // Logged in: the player count every 5 s; any reply shows the server is there.
    {in({LoggedIn}),                PollDue,          Always,        Stay,         Poll},
    {in({LoggedIn}),                ReplyReceived,    Always,        Stay,         Heard},
    // Nothing to do and nothing odd: the poll's beat while not logged in, replies read
    // after a loss was noticed, the news of a close already acted on.
    {~in({Idle, LoggedIn}),         PollDue,          Always,        Stay,         None},
    {in({Connected, LoggingIn, Refused, Lost, Reconnecting}),
                                    ReplyReceived,    Always,        Stay,         None},
    {in({Lost, Reconnecting}),      Closed,           Always,        Stay,         None},
};
// clang-format on

const Row* find(State state, Event event, bool loginPlanned, bool refusalStands)
{
    for (const Row& row : kTable) {
        if (!(row.from & in({state})) || row.event != event)
            continue;
        if ((row.when == LoginPlanned && !loginPlanned) ||
            (row.when == RefusalStands && !refusalStands))
            continue;
        return &row;
    }
    return nullptr;
}

template <typename E> QString nameOf(E value)
{
    return QString::fromLatin1(QMetaEnum::fromType<E>().valueToKey(int(value)));
}

} // namespace

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
    m_memory.plan = standingPlan();
    m_connection->setParent(nullptr); // owned here, not by a parent
    connect(m_connection.get(), &net::ServerConnection::connectFinished, this,
            &LinkSupervisor::onConnectFinished);
    // Queued: each reply is handled in a turn of its own, and a close after the
    // replies that were complete before it.
    connect(m_connection.get(), &net::ServerConnection::frameReceived, this,
            &LinkSupervisor::onFrameReceived, Qt::QueuedConnection);
    connect(
        m_connection.get(), &net::ServerConnection::closed, this,
        [this](int code) {
            handle(Event::Closed,
                   code == net::CClientASock::errorCode(QAbstractSocket::RemoteHostClosedError)
                       ? u"鯖が接続を閉じました"_s
                       : m_connection->lastError());
        },
        Qt::QueuedConnection);
    connect(
        this, &LinkSupervisor::connectRequested, this, [this] { handle(Event::ConnectRequested); },
        Qt::QueuedConnection);
    connect(
        this, &LinkSupervisor::pollDue, this, [this] { handle(Event::PollDue); },
        Qt::QueuedConnection);

    m_pollTimer = m_time.createTimer(this);
    m_retryTimer = m_time.createTimer(this);
    m_connectTimeout = m_time.createTimer(this);
    m_replyDeadline = m_time.createTimer(this);
    m_retryTimer->setSingleShot(true);
    m_connectTimeout->setSingleShot(true);
    m_replyDeadline->setSingleShot(true);
    connect(m_pollTimer, &ConsoleTimer::timeout, this, &LinkSupervisor::pollDue);
    connect(m_retryTimer, &ConsoleTimer::timeout, this, [this] { handle(Event::RetryDue); });
    connect(m_connectTimeout, &ConsoleTimer::timeout, this,
            [this] { handle(Event::ConnectFailed, u"応答がありません"_s); });
    connect(m_replyDeadline, &ConsoleTimer::timeout, this, [this] {
        handle(Event::PollsUnanswered, u"応答がありません（プレイヤー数の問い合わせ"_s +
                                           QString::number(kSilentPolls) + u"回）"_s);
    });
}

LinkSupervisor::~LinkSupervisor()
{
    // The connection dies with the console without a word to the server.
    m_connection->Close();
}

void LinkSupervisor::start(const QString& host, quint16 port)
{
    m_host = host;
    m_port = port;
    m_pollTimer->start(kPollTimerMs);
    Q_EMIT connectRequested();
}

LinkSupervisor::LoginPlan LinkSupervisor::standingPlan() const
{
    return m_autoLogin || m_memory.loggedInBefore ? LoginPlan::EveryLink : LoginPlan::Manual;
}

void LinkSupervisor::handle(Event event, const QString& reason)
{
    const LoginPlan plan = m_memory.plan;
    const Row* row =
        find(m_state, event, plan == LoginPlan::NextLink || plan == LoginPlan::EveryLink,
             plan == LoginPlan::Refused);
    if (!row) {
        Q_EMIT logged(u"無視："_s + nameOf(event) + u"（"_s + nameOf(m_state) + u"）"_s);
        return;
    }
    if (row->to && *row->to != m_state) {
        m_state = *row->to;
        Q_EMIT stateChanged(m_state);
    }
    switch (row->action) {
    case Action::None:
        break;
    case Action::WantLogin:
    case Action::ConnectToLogIn:
        m_memory.plan =
            standingPlan() == LoginPlan::EveryLink ? LoginPlan::EveryLink : LoginPlan::NextLink;
        if (row->action == Action::ConnectToLogIn)
            connectNow();
        break;
    case Action::Connect:
        connectNow();
        break;
    case Action::Link:
    case Action::Relink:
        linkMade(row->action == Action::Relink);
        break;
    case Action::Fail:
    case Action::FailTold:
        connectFailed(reason, row->action == Action::FailTold);
        break;
    case Action::Lose:
        lose(reason);
        break;
    case Action::SendLogin:
        if (m_memory.plan == LoginPlan::Refused)
            m_memory.plan = standingPlan();
        m_connection->Send(protocol::buildLoginRequest(m_password));
        break;
    case Action::Accept:
        m_memory.loggedInBefore = true;
        m_memory.plan = LoginPlan::EveryLink;
        Q_EMIT logged(u"ログインしました"_s);
        Q_EMIT pollDue(); // the player count follows at once
        Q_EMIT loginAccepted();
        break;
    case Action::Refuse: {
        m_memory.plan = LoginPlan::Refused;
        const qint32 result = m_session.lastLoginResult();
        Q_EMIT logged(u"ログインを拒否されました（結果 "_s + QString::number(result) + u"）"_s);
        Q_EMIT loginRefused(result);
        break;
    }
    case Action::Poll:
        if (!send(protocol::buildPlayerCountRequest())) {
            // A link that takes no request is gone, though the system has not said so
            // (it may never: a close it missed).
            handle(Event::SendFailed, m_connection->lastError());
            break;
        }
        if (++m_memory.unansweredPolls >= kSilentPolls)
            m_replyDeadline->start(kReplyGraceMs);
        break;
    case Action::Heard:
        m_memory.unansweredPolls = 0;
        m_replyDeadline->stop();
        break;
    }
}

void LinkSupervisor::connectNow()
{
    m_retryTimer->stop();
    if (m_memory.failedAttempts == 0)
        Q_EMIT logged(u"接続開始 "_s + m_host + u":"_s + QString::number(m_port));
    m_connectTimeout->start(kConnectTimeoutMs);
    m_connection->Connect(m_host, m_port);
}

void LinkSupervisor::linkMade(bool again)
{
    m_connectTimeout->stop();
    m_memory.failedAttempts = 0;
    Q_EMIT logged(again ? u"再接続しました"_s : u"接続しました"_s);
    if (m_memory.plan == LoginPlan::NextLink)
        m_memory.plan = LoginPlan::Manual;
    const bool loggingIn = m_state == State::LoggingIn;
    if (loggingIn)
        m_connection->Send(protocol::buildLoginRequest(m_password));
    Q_EMIT connected(loggingIn);
}

void LinkSupervisor::connectFailed(const QString& reason, bool told)
{
    m_connectTimeout->stop();
    m_connection->Close();
    if (m_memory.failedAttempts == 0)
        Q_EMIT logged(u"接続できません："_s + reason);
    ++m_memory.failedAttempts;
    // The next attempt is under way even while the operator reads about this one.
    m_retryTimer->start(retryDelayMs(m_memory.failedAttempts));
    // Last: the box opens a nested event loop in which the machine goes on.
    if (told)
        Q_EMIT firstConnectFailed();
}

void LinkSupervisor::lose(const QString& reason)
{
    m_connection->Close();
    m_memory.unansweredPolls = 0;
    m_replyDeadline->stop();
    Q_EMIT linkLost();
    Q_EMIT logged(u"切断："_s + reason);
    m_memory.failedAttempts = 0;
    m_retryTimer->start(retryDelayMs(0)); // at once, on the next turn of the loop
}

void LinkSupervisor::onConnectFinished(int errorCode)
{
    if (errorCode == 0)
        handle(Event::ConnectSucceeded);
    else
        handle(errorCode == net::ServerConnection::kHostNotFound ? Event::HostNotFound
                                                                 : Event::ConnectFailed,
               m_connection->lastError());
}

void LinkSupervisor::onFrameReceived(const protocol::Frame& frame)
{
    const net::SessionProtocol::Outcome outcome = m_session.dispatch(frame);
    handle(Event::ReplyReceived);
    switch (outcome) {
    case net::SessionProtocol::Outcome::LoginAccepted:
        handle(Event::LoginAccepted);
        break;
    case net::SessionProtocol::Outcome::LoginRefused:
        handle(Event::LoginRefused);
        break;
    case net::SessionProtocol::Outcome::PlayerCount:
        Q_EMIT playerCountReceived(*m_session.playerCount());
        break;
    default:
        break;
    }
    Q_EMIT frameReceived(frame);
}

} // namespace tolvane::console
