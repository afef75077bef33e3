#include "console/ConsoleController.h"

#include "admin/AccountMessages.h"
#include "app/SettingsKeys.h"
#include "broadcast/BroadcastRequest.h"
#include "broadcast/DataDirectory.h"
#include "broadcast/MessageListStore.h"
#include "console/StatusTexts.h"
#include "net/CClientASock.h"
#include "net/Notifications.h"
#include "net/SessionMessages.h"
#include "timesignal/TimeSignalFile.h"
#include "timesignal/TimeSignalTexts.h"

#include <utility>

namespace tolvane::console {

using namespace Qt::StringLiterals;
using Notice = OperatorPrompts::Notice;
using Question = OperatorPrompts::Question;

namespace {

QString logFolder(const ConsoleOptions& o)
{
    if (!o.logDirectory.isEmpty())
        return o.logDirectory;
    return QDir(o.programDirectory).filePath(OperatorLog::kFolderName);
}

// What of a text a broadcast request carries: a text that reaches the cap is cut there.
QString textSent(const QString& text, int capBytes)
{
    return text.left(broadcast::unitsCarried(text.size(), capBytes));
}

QString quoted(const QString& text)
{
    return u"「"_s + text + u"」"_s;
}

} // namespace

int ConsoleController::retryDelayMs(int failures)
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

ConsoleController::ConsoleController(ConsoleOptions options, OperatorPrompts& prompts,
                                     TimeSource* time, std::unique_ptr<ServerConnection> connection,
                                     QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_prompts(prompts),
      m_time(time ? time : &SystemTimeSource::instance()), m_settings(m_options.settingsPath),
      m_connection(connection ? std::move(connection) : std::make_unique<CClientASock>()),
      m_statusText(status::kNotLoggedIn), m_baseStatus(m_statusText), m_log(logFolder(m_options))
{
    m_connection->setParent(nullptr); // owned here, not by a parent
    m_connection->setOwner(this);
    connect(m_connection.get(), &ServerConnection::OnConnect, this, &ConsoleController::OnConnect);
    // Queued: the replies that were complete before the link broke are handled first.
    connect(m_connection.get(), &ServerConnection::OnClose, this, &ConsoleController::OnClose,
            Qt::QueuedConnection);

    m_clockTimer = m_time->createTimer(this);
    m_pacingTimer = m_time->createTimer(this);
    m_pollTimer = m_time->createTimer(this);
    m_retryTimer = m_time->createTimer(this);
    m_connectTimeout = m_time->createTimer(this);
    m_noticeTimer = m_time->createTimer(this);
    m_replyDeadline = m_time->createTimer(this);
    m_replyDeadline->setSingleShot(true);
    connect(m_replyDeadline, &ConsoleTimer::timeout, this, &ConsoleController::declareSilent);
    m_retryTimer->setSingleShot(true);
    m_connectTimeout->setSingleShot(true);
    m_noticeTimer->setSingleShot(true);
    connect(m_noticeTimer, &ConsoleTimer::timeout, this, [this] { setStatus(m_baseStatus); });
    connect(m_clockTimer, &ConsoleTimer::timeout, this, &ConsoleController::TimeSignalTick);
    connect(m_pacingTimer, &ConsoleTimer::timeout, this, &ConsoleController::PacingTick);
    connect(m_pollTimer, &ConsoleTimer::timeout, this, &ConsoleController::pollTick);
    connect(m_retryTimer, &ConsoleTimer::timeout, this, &ConsoleController::connectNow);
    connect(m_connectTimeout, &ConsoleTimer::timeout, this, [this] {
        // An address that swallows the attempt would otherwise keep it for minutes.
        m_connection->Close();
        onConnectFailed(u"応答がありません"_s, true);
    });
}

ConsoleController::~ConsoleController()
{
    // The connection dies with the console without a word to the server.
    m_connection->setOwner(nullptr);
    m_connection->Close();
}

void ConsoleController::initialise()
{
    m_clockTimer->start(kClockTimerMs);
    m_scheduler.clearFixedFlags();
    m_pollTimer->start(kPollTimerMs);

    // The address counts from the start; a changed one is used at the next start.
    m_connectHost = m_settings.read(keys::kSectionVelmira, keys::kHostIP, keys::kDefaultHostIP);
    readServerSettings();
    ensureDataDirectory();
    RefreshListNames();

    reloadTimeSignalConfig();

    m_shortcuts.LoadShortcutBindings(m_settings, m_listNames);
    for (int slot = 1; slot <= broadcast::ShortcutSlots::kSlotCount; ++slot)
        Q_EMIT shortcutChanged(slot, m_shortcuts.boundName(slot));

    m_engine.StopBroadcast();
    postControlState(ControlState::LoggedOut);
    setStatus(status::kNotLoggedIn);
    postNotification(this, WM_CONNECT_SERVER);
}

void ConsoleController::readServerSettings()
{
    m_adminPW = m_settings.read(keys::kSectionVelmira, keys::kAdminPW, keys::kDefaultAdminPW);
}

void ConsoleController::ensureDataDirectory()
{
    const broadcast::DataDirectoryOutcome dd =
        broadcast::EnsureDataDirectory(m_options.programDirectory);
    m_dataDir = dd.dir;
    if (dd.createFailed) {
        m_prompts.inform(Notice::DataDirectoryFailed);
        return;
    }
    if (!dd.created)
        return;
    m_prompts.inform(Notice::DataDirectoryCreated);
    m_prompts.inform(dd.sampleWritten ? Notice::SampleListWritten : Notice::SampleListFailed);
    m_prompts.inform(dd.timeSignalWritten ? Notice::TimeSignalFileWritten
                                          : Notice::TimeSignalFileFailed);
}

void ConsoleController::reloadTimeSignalConfig()
{
    // The texts and the schedule are read afresh (every entry's fired flag cleared);
    // the hourly and half-hourly flags stay as they are.
    m_scheduler.setTexts(timesignal::readTimeSignalTexts(m_settings));
    if (const auto contents = timesignal::ReadTimeSignalFile(m_dataDir))
        m_scheduler.setSchedule(timesignal::LoadSchedule(*contents));
}

bool ConsoleController::event(QEvent* event)
{
    const int type = int(event->type());
    if (type < WM_FRAME_RECEIVED || type > WM_ACCOUNT_CHANGE_REQ)
        return QObject::event(event);
    const auto* n = static_cast<NotifyEvent*>(event);
    switch (type) {
    case WM_FRAME_RECEIVED:
        OnFrameReceived();
        break;
    case WM_SET_CONTROL_STATE:
        Q_EMIT controlStateChanged(ControlState(n->wParam()));
        break;
    case WM_CONNECT_SERVER:
        connectNow();
        break;
    case WM_REQUEST_PLAYER_COUNT:
        if (m_connection->Send(session::buildPlayerCountRequest()) &&
            m_linkState == LinkState::LoggedIn && ++m_unansweredPolls >= kSilentPolls)
            m_replyDeadline->start(kReplyGraceMs);
        break;
    case WM_ACCOUNT_LIST_REQ:
    case WM_ACCOUNT_CREATE_REQ:
    case WM_ACCOUNT_DELETE_REQ:
    case WM_ACCOUNT_INFO_REQ:
    case WM_ACCOUNT_CHANGE_REQ:
        onAccountRequest(type, n->wParam(), n->lParam());
        break;
    default:
        break;
    }
    return true;
}

void ConsoleController::postControlState(ControlState state)
{
    postNotification(this, WM_SET_CONTROL_STATE, int(state));
}

void ConsoleController::setStatus(const QString& text)
{
    m_baseStatus = text;
    if (m_noticeTimer->isActive())
        return;
    m_statusText = text;
    Q_EMIT statusTextChanged(m_statusText);
}

void ConsoleController::showNotice(const QString& text)
{
    // Held for a while against the link's texts and the player count, then the
    // status shows what it would have shown.
    m_noticeTimer->start(kNoticeMs);
    m_statusText = text;
    Q_EMIT statusTextChanged(m_statusText);
}

void ConsoleController::logEvent(const QString& text)
{
    const QDateTime now = m_time->now();
    const QString line = m_logMark.isEmpty() ? text : m_logMark + text;
    Q_EMIT eventLogged(now, line);
    if (m_log.write(now, line) || m_logFailureShown)
        return;
    // Told once a run; the console goes on without its record.
    m_logFailureShown = true;
    showNotice(status::kLogFailed);
}

void ConsoleController::setLinkState(LinkState state)
{
    m_linkState = state;
    switch (state) {
    case LinkState::Connecting:
        setStatus(status::kConnecting);
        break;
    case LinkState::Connected:
        setStatus(m_loginRefused ? status::kLoginRefused : status::kNotLoggedIn);
        break;
    case LinkState::LoggedIn:
        break; // the player count follows at once
    case LinkState::Lost:
        setStatus(m_everConnected ? status::kLost : status::kCannotConnect);
        break;
    }
    Q_EMIT linkStateChanged(state);
}

// --- The link ---------------------------------------------------------------

void ConsoleController::connectNow()
{
    m_retryTimer->stop();
    if (m_failedAttempts == 0)
        logEvent(u"接続開始 "_s + m_connectHost + u":"_s + QString::number(m_options.port));
    setLinkState(LinkState::Connecting);
    m_connectTimeout->start(kConnectTimeoutMs);
    m_connection->Connect(m_connectHost, m_options.port);
}

void ConsoleController::OnConnect(int errorCode)
{
    m_connectTimeout->stop();
    if (errorCode != 0) {
        m_connection->Close();
        // A host name that does not resolve is not told in a box.
        onConnectFailed(m_connection->lastError(), errorCode != ServerConnection::kHostNotFound);
        return;
    }
    m_retryTimer->stop();
    m_connectStarted = true;
    m_failedAttempts = 0;
    logEvent(m_everConnected ? u"再接続しました"_s : u"接続しました"_s);
    m_everConnected = true;
    setLinkState(LinkState::Connected);
    const bool logIn = (m_options.autoLogin || m_wasLoggedIn || m_loginWanted) && !m_loginRefused;
    m_loginWanted = false;
    if (logIn)
        sendLogin();
    else if (m_paused && !m_wasLoggedIn)
        resumeBroadcast(); // it ran before any login, so it goes on without one
}

void ConsoleController::onConnectFailed(const QString& reason, bool showBox)
{
    const bool first = !m_connectStarted;
    m_connectStarted = true;
    if (m_failedAttempts == 0)
        logEvent(u"接続できません："_s + reason);
    ++m_failedAttempts;
    // The next attempt is under way even while the box below waits for the operator.
    m_retryTimer->start(retryDelayMs(m_failedAttempts));
    setLinkState(LinkState::Lost);
    if (first && m_options.autoLogin)
        sendLogin(); // the socket is closed, so this sends nothing
    if (first && showBox)
        m_prompts.inform(Notice::ConnectionFailed);
}

void ConsoleController::OnClose(int errorCode)
{
    linkLost(errorCode == CClientASock::errorCode(QAbstractSocket::RemoteHostClosedError)
                 ? u"鯖が接続を閉じました"_s
                 : m_connection->lastError());
}

void ConsoleController::linkLost(const QString& reason)
{
    if (m_linkState == LinkState::Lost)
        return;
    if (m_linkState == LinkState::LoggedIn)
        m_wasLoggedIn = true;
    m_connection->Close();
    m_connectTimeout->stop();
    m_session.resetLogin();
    m_loginPending = false;
    m_unansweredPolls = 0;
    m_replyDeadline->stop();
    if (m_engine.isRunning() || m_paused)
        pauseBroadcast();
    setLinkState(LinkState::Lost);
    postControlState(m_paused ? ControlState::LinkLostPaused : ControlState::LinkLost);
    logEvent(u"切断："_s + reason);
    m_failedAttempts = 0;
    m_retryTimer->start(retryDelayMs(0)); // at once, on the next turn of the loop
}

void ConsoleController::pauseBroadcast()
{
    // The line under way may not have arrived: it goes out again after the login.
    m_engine.resumeAtLastLine(int(m_lines.size()));
    m_pacingTimer->stop();
    m_paused = true;
}

void ConsoleController::resumeBroadcast()
{
    if (!m_paused)
        return;
    m_paused = false;
    m_pacingTimer->start(broadcast::BroadcastEngine::kPacingIntervalMs);
    postControlState(ControlState::Broadcasting);
}

void ConsoleController::Login()
{
    m_loginRefused = false;
    if (m_linkState == LinkState::Lost) {
        // Tried again at once, and logged in as soon as the link is there.
        m_loginWanted = true;
        connectNow();
        return;
    }
    if (m_linkState == LinkState::Connecting) {
        m_loginWanted = true;
        return;
    }
    sendLogin();
}

void ConsoleController::sendLogin()
{
    if (m_connection->Send(session::buildLoginRequest(m_adminPW)))
        m_loginPending = true;
}

void ConsoleController::pollTick()
{
    if (m_linkState == LinkState::LoggedIn)
        postNotification(this, WM_REQUEST_PLAYER_COUNT);
}

void ConsoleController::declareSilent()
{
    if (m_linkState != LinkState::LoggedIn || m_unansweredPolls < kSilentPolls)
        return;
    linkLost(u"応答がありません（プレイヤー数の問い合わせ"_s + QString::number(kSilentPolls) +
             u"回）"_s);
}

void ConsoleController::OnFrameReceived()
{
    if (!m_connection->hasFrame())
        return;
    const wire::Frame frame = m_connection->takeFrame();
    m_unansweredPolls = 0; // the server is there
    m_replyDeadline->stop();
    QObject* target = m_replyTarget ? m_replyTarget() : nullptr;
    switch (m_session.Dispatch(frame)) {
    case SessionProtocol::Outcome::LoginAccepted:
        m_loginPending = false;
        m_loginRefused = false;
        logEvent(u"ログインしました"_s);
        m_linkState = LinkState::LoggedIn;
        Q_EMIT linkStateChanged(m_linkState);
        postControlState(ControlState::LoggedIn);
        postNotification(this, WM_REQUEST_PLAYER_COUNT);
        resumeBroadcast();
        break;
    case SessionProtocol::Outcome::LoginRefused:
        // A result nobody asked for changes nothing, as it always has.
        if (!std::exchange(m_loginPending, false))
            break;
        // Never tried again by itself: a wrong password must not hammer the server.
        m_loginRefused = true;
        logEvent(u"ログインを拒否されました（結果 "_s +
                 QString::number(m_session.lastLoginResult()) + u"）"_s);
        setStatus(status::kLoginRefused);
        break;
    case SessionProtocol::Outcome::PlayerCountShown:
        setStatus(m_session.statusText());
        break;
    case SessionProtocol::Outcome::AccountListReply:
        m_accounts.storeListReply(frame.payload);
        postNotification(target, WM_ACCOUNT_LIST_ARRIVED);
        break;
    case SessionProtocol::Outcome::AccountInfoReply:
        m_accounts.storeDetailReply(frame.payload);
        postNotification(target, WM_ACCOUNT_INFO_ARRIVED);
        break;
    case SessionProtocol::Outcome::Ignored:
    case SessionProtocol::Outcome::PlayerCountInvalid:
        break;
    }
}

// --- Accounts ---------------------------------------------------------------

namespace {

// What an account request asks, for the log; never a password or a digest.
QString accountAction(int notification, qint64 kind, const admin::AccountStore& store, qint64 pos)
{
    const QString id = notification == WM_ACCOUNT_CREATE_REQ
                           ? store.pending().newAccountId
                           : store.list().idAt(int(qBound(qint64(-1), pos, qint64(INT_MAX))));
    const QString who = u" ID="_s + quoted(id);
    switch (notification) {
    case WM_ACCOUNT_CREATE_REQ:
        return u"作成"_s + who;
    case WM_ACCOUNT_DELETE_REQ:
        return u"削除"_s + who;
    default:
        break;
    }
    using admin::ChangeKind;
    const std::optional<ChangeKind> change = admin::changeKindFromParam(kind);
    if (!change)
        return {}; // no request is built for it
    switch (*change) {
    case ChangeKind::Password:
        return u"パスワード変更"_s + who;
    case ChangeKind::CharacterName:
        return u"キャラ名変更"_s + who + u" 名前="_s + quoted(store.pending().newCharacterName);
    case ChangeKind::SendHome:
        return u"強制帰宅"_s + who;
    case ChangeKind::Suspend:
        return u"謹慎"_s + who + u" ログイン=拒否"_s;
    case ChangeKind::Lift:
        return u"謹慎解除"_s + who + u" ログイン=許可"_s;
    case ChangeKind::AuthorityNone:
        return u"権限変更"_s + who + u" 権限=None"_s;
    case ChangeKind::AuthorityNavi:
        return u"権限変更"_s + who + u" 権限=Navi"_s;
    case ChangeKind::AuthorityGm:
        return u"権限変更"_s + who + u" 権限=GM"_s;
    }
    return {};
}

} // namespace

void ConsoleController::onAccountRequest(int notification, qint64 wParam, qint64 lParam)
{
    const auto frame = m_accounts.buildRequest(notification, wParam, lParam);
    if (!frame)
        return;
    const bool sent = m_connection->Send(*frame);
    const bool action = notification == WM_ACCOUNT_CREATE_REQ ||
                        notification == WM_ACCOUNT_DELETE_REQ ||
                        notification == WM_ACCOUNT_CHANGE_REQ;
    if (action)
        logEvent((sent ? u"アカウント "_s : u"未送信 アカウント "_s) +
                 accountAction(notification, lParam, m_accounts, wParam));
    if (!sent)
        m_prompts.inform(Notice::AccountRequestNotSent);
}

// --- Broadcasting -----------------------------------------------------------

bool ConsoleController::SendBroadcastText(const QString& text, int cap)
{
    return m_connection->Send(broadcast::buildBroadcastRequest(text, cap));
}

bool ConsoleController::sendLiveText(const QString& text)
{
    const QString out = textSent(text, broadcast::kLiveCap);
    if (!SendBroadcastText(text, broadcast::kLiveCap) && !isLinkUp()) {
        logEvent(u"未送信 生声："_s + out);
        return false;
    }
    logEvent(u"送信 生声："_s + out);
    return true;
}

void ConsoleController::SendLiveMessage(const QString& text)
{
    m_liveText = text;
    if (!sendLiveText(m_liveText)) {
        // Nothing went out: the text stays for the operator to send again.
        showNotice(status::kLiveNotSent);
        return;
    }
    if (m_clearAfterSend) {
        m_liveText.clear();
        Q_EMIT liveTextChanged(m_liveText);
    }
}

void ConsoleController::copyLineToLive(int row)
{
    if (row < 0 || row >= m_lines.size())
        return;
    // Lines of any length are copied whole; sending cuts them at 36 bytes.
    m_liveText = m_lines.at(row);
    Q_EMIT liveTextChanged(m_liveText);
}

void ConsoleController::requestBroadcast()
{
    if (m_currentList < 0) {
        m_prompts.inform(Notice::NoListToBroadcast);
        return;
    }
    StartBroadcast();
}

void ConsoleController::StartBroadcast()
{
    m_paused = false;
    m_engine.StartBroadcast(int(m_lines.size()));
    m_pacingTimer->start(broadcast::BroadcastEngine::kPacingIntervalMs); // restarts the period
    postControlState(ControlState::Broadcasting);
}

void ConsoleController::StartListBroadcast(const QString& listName)
{
    const int index = broadcast::FindListByName(m_listNames, listName);
    if (index < 0)
        return;
    setCurrentList(index);
    LoadSelectedList();
    StartBroadcast();
}

void ConsoleController::StopBroadcast()
{
    // The pacing timer stays armed; its ticks find nothing to send.
    m_engine.StopBroadcast();
    if (m_paused) {
        // Ended while waiting for the link: nothing resumes.
        m_paused = false;
        postControlState(ControlState::LinkLost);
        return;
    }
    postControlState(ControlState::BroadcastOver);
}

void ConsoleController::PacingTick()
{
    const broadcast::BroadcastEngine::Tick tick = m_engine.PacingTick(int(m_lines.size()));
    if (tick.send) {
        // The highlighted line is the one being sent.
        Q_EMIT currentLineChanged(tick.index);
        const QString& line = m_lines.at(tick.index);
        if (!SendBroadcastText(line, broadcast::kLineCap) && !isLinkUp()) {
            // The link broke under this line (the last one too): it waits, and goes out
            // after the login.
            pauseBroadcast();
            if (m_linkState != LinkState::Lost)
                linkLost(m_connection->lastError());
            else
                postControlState(ControlState::LinkLostPaused);
            return;
        }
        logEvent(u"送信 リスト"_s + quoted(m_loadedList) + u" "_s +
                 QString::number(tick.index + 1) + u"/"_s + QString::number(m_lines.size()) +
                 u"："_s + textSent(line, broadcast::kLineCap));
    }
    if (tick.finished) {
        postControlState(ControlState::BroadcastOver);
        m_pacingTimer->stop();
    }
}

bool ConsoleController::isPacingTimerActive() const
{
    return m_pacingTimer->isActive();
}

void ConsoleController::TimeSignalTick()
{
    // One clock reading per tick: every test and text of this tick uses it.
    const QDateTime now = m_time->now();
    const auto actions = m_scheduler.TimeSignalTick(now, m_timeSignalEnabled);
    for (const auto& action : actions) {
        if (!isLinkUp()) {
            missed(action); // never sent late
            continue;
        }
        if (action.kind == timesignal::TimeSignalScheduler::Action::SendText) {
            SendBroadcastText(action.text, broadcast::kLineCap);
            logEvent(u"送信 時報："_s + textSent(action.text, broadcast::kLineCap));
        } else {
            StartListBroadcast(action.text);
        }
    }
}

void ConsoleController::missed(const timesignal::TimeSignalScheduler::Action& action)
{
    if (action.kind == timesignal::TimeSignalScheduler::Action::SendText) {
        logEvent(u"未送信 時報："_s + textSent(action.text, broadcast::kLineCap));
        showNotice(status::kSignalMissed);
    } else {
        logEvent(u"未送信 予約放送"_s + quoted(action.text) + u" "_s +
                 m_time->now().time().toString(u"HH:mm:ss"_s));
        showNotice(status::kListMissed);
    }
}

// --- Lists and shortcuts ----------------------------------------------------

QString ConsoleController::currentListName() const
{
    return m_currentList >= 0 ? m_listNames.at(m_currentList) : QString();
}

void ConsoleController::setCurrentList(int index)
{
    m_currentList = index >= 0 && index < m_listNames.size() ? index : -1;
    Q_EMIT currentListChanged(m_currentList);
}

void ConsoleController::setLines(const QStringList& lines)
{
    m_lines = lines;
    Q_EMIT linesChanged(m_lines);
}

void ConsoleController::RefreshListNames()
{
    m_listNames = broadcast::ListNames(m_dataDir);
    m_currentList = -1;
    Q_EMIT listNamesChanged(m_listNames);
}

void ConsoleController::refreshAndReselect(const QString& listName)
{
    RefreshListNames();
    if (listName.isEmpty())
        return;
    // Selected again, but not reloaded: the view keeps the lines it showed.
    const int index = broadcast::FindListByName(m_listNames, listName);
    if (index >= 0)
        setCurrentList(index);
}

void ConsoleController::selectList(int index)
{
    if (index < 0 || index >= m_listNames.size())
        return;
    m_currentList = index;
    LoadSelectedList();
}

void ConsoleController::LoadSelectedList()
{
    const QString title = currentListName();
    Q_EMIT listCommandsEnabled();
    const auto lines = broadcast::ReadListFile(m_dataDir, title);
    m_loadedList = title;
    if (!lines) {
        // The view must not show lines that the selector does not name.
        setLines({});
        m_prompts.inform(Notice::ListUnreadable, title);
        return;
    }
    // The live box keeps what the operator typed: reloading a list (also by the
    // scheduler underneath) must not throw away a message not yet sent.
    setLines(*lines);
}

void ConsoleController::DeleteSelectedList()
{
    if (!m_prompts.confirm(Question::DeleteList))
        return;
    if (m_currentList < 0) {
        m_prompts.inform(Notice::NoListSelected);
        return;
    }
    // A failed deletion is not reported: the refreshed selector still shows the file.
    broadcast::DeleteListFile(m_dataDir, currentListName());
    RefreshListNames();
    setLines({});
}

void ConsoleController::PressShortcut(int slot)
{
    if (!m_shortcuts.isBound(slot))
        return;
    const int index = broadcast::FindListByName(m_listNames, m_shortcuts.boundName(slot));
    if (index < 0) {
        m_prompts.inform(Notice::ShortcutListMissing);
        // Only in memory: the binding comes back at the next start if the list exists again.
        m_shortcuts.unbindInMemory(slot);
        Q_EMIT shortcutChanged(slot, QString());
        m_prompts.inform(Notice::ShortcutReleased);
        return;
    }
    setCurrentList(index);
    LoadSelectedList();
    if (!m_displayOnly)
        StartBroadcast();
}

void ConsoleController::BindShortcut(int slot)
{
    if (m_currentList < 0) {
        m_prompts.inform(Notice::NoListToBind);
        return;
    }
    if (!m_prompts.confirm(Question::BindShortcut, slot))
        return;
    m_shortcuts.bind(slot, currentListName(), m_settings);
    Q_EMIT shortcutChanged(slot, m_shortcuts.boundName(slot));
}

void ConsoleController::UnbindShortcut(int slot)
{
    if (!m_prompts.confirm(Question::UnbindShortcut, slot))
        return;
    m_shortcuts.unbind(slot, m_settings);
    Q_EMIT shortcutChanged(slot, m_shortcuts.boundName(slot));
}

void ConsoleController::shutDown()
{
    m_clockTimer->stop();
    m_pacingTimer->stop();
    timesignal::writeTimeSignalTextsOnClose(m_settings, m_scheduler.texts());
}

} // namespace tolvane::console
