#include "console/ConsoleController.h"

#include "broadcast/DataDirectory.h"
#include "broadcast/MessageListStore.h"
#include "console/ConsoleFileWatcher.h"
#include "console/StatusTexts.h"
#include "protocol/BroadcastRequest.h"
#include "timesignal/TimeSignalFile.h"

#include <utility>

namespace tolvane::console {

using namespace Qt::StringLiterals;
using Notice = OperatorPrompts::Notice;
using Question = OperatorPrompts::Question;

namespace {

// What of a text a broadcast request carries: a text that reaches the cap is cut there.
QString textSent(const QString& text, int capBytes)
{
    return protocol::textCarried(text, capBytes);
}

} // namespace

ConsoleController::ConsoleController(ConsoleOptions options, OperatorPrompts& prompts,
                                     TimeSource* time,
                                     std::unique_ptr<net::ServerConnection> connection,
                                     QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_prompts(prompts),
      m_time(time ? time : &SystemTimeSource::instance()),
      m_link(new LinkSupervisor(*m_time, std::move(connection), m_options.autoLogin, this)),
      m_broadcast(new BroadcastSession(*m_time, *m_link, this)),
      m_accountService(new AccountService(*m_link, m_prompts, this)),
      m_lists(new MessageListService(QDir(), this)),
      m_schedule(new ScheduleService(settings::IniSettings(m_options.settingsPath), QDir(), this)),
      m_shortcuts(
          new ShortcutService(settings::IniSettings(m_options.settingsPath), *m_lists, this)),
      m_serverSettings(
          new ServerSettingsService(settings::IniSettings(m_options.settingsPath), this)),
      m_statusText(status::kNotLoggedIn), m_baseStatus(m_statusText), m_log(m_options.logFolder()),
      m_clockTimer(m_time->createTimer(this)), m_noticeTimer(m_time->createTimer(this))
{
    m_noticeTimer->setSingleShot(true);
    connect(m_noticeTimer, &ConsoleTimer::timeout, this, [this] { setStatus(m_baseStatus); });
    connect(m_clockTimer, &ConsoleTimer::timeout, this, &ConsoleController::TimeSignalTick);

    connect(m_link, &LinkSupervisor::stateChanged, this, &ConsoleController::onLinkStateChanged);
    connect(m_link, &LinkSupervisor::connected, this, &ConsoleController::onConnected);
    connect(m_link, &LinkSupervisor::linkLost, this, &ConsoleController::onLinkLost);
    connect(m_link, &LinkSupervisor::firstConnectFailed, this,
            [this] { m_prompts.inform(Notice::ConnectionFailed); });
    connect(m_link, &LinkSupervisor::loginAccepted, m_broadcast, &BroadcastSession::resume);
    // Shown whatever the login: the count is the server's word.
    connect(m_link, &LinkSupervisor::playerCountReceived, this,
            [this](qint32 players) { setStatus(status::playerCount(players)); });
    connect(m_link, &LinkSupervisor::logged, this, &ConsoleController::logEvent);
    connect(m_accountService, &AccountService::logged, this, &ConsoleController::logEvent);

    connect(m_broadcast, &BroadcastSession::linesChanged, this, &ConsoleController::linesChanged);
    connect(m_broadcast, &BroadcastSession::currentLineChanged, this,
            &ConsoleController::currentLineChanged);
    const auto post = [this](void (BroadcastSession::*event)(), ControlState state) {
        connect(m_broadcast, event, this, [this, state] { postControlState(state); });
    };
    post(&BroadcastSession::started, ControlState::Broadcasting);
    post(&BroadcastSession::finished, ControlState::BroadcastOver);
    post(&BroadcastSession::abandoned, ControlState::LinkLost);
    post(&BroadcastSession::pausedForLink, ControlState::LinkLostPaused);
    connect(m_broadcast, &BroadcastSession::logged, this, &ConsoleController::logEvent);
    connectServices();
    trackRefusedLogins();
}

void ConsoleController::connectServices()
{
    connect(m_lists, &MessageListService::namesChanged, this, &ConsoleController::RefreshListNames);
    connect(m_schedule, &ScheduleService::scheduleChanged, this,
            [this](const QList<timesignal::TimeSignalEntry>& entries) {
                // Every entry's fired flag is cleared; the hourly and half-hourly
                // flags stay as they are.
                m_scheduler.setSchedule(entries);
            });
    connect(m_schedule, &ScheduleService::textsChanged, this,
            [this](const timesignal::TimeSignalTexts& texts) { m_scheduler.setTexts(texts); });
    connect(m_shortcuts, &ShortcutService::bindingChanged, this,
            &ConsoleController::shortcutChanged);
    connect(m_serverSettings, &ServerSettingsService::adminPasswordChanged, this,
            &ConsoleController::onAdminPasswordChanged);
    connect(m_lists, &MessageListService::logged, this, &ConsoleController::logEvent);
    connect(m_schedule, &ScheduleService::logged, this, &ConsoleController::logEvent);
    connect(m_shortcuts, &ShortcutService::logged, this, &ConsoleController::logEvent);
    connect(m_serverSettings, &ServerSettingsService::logged, this, &ConsoleController::logEvent);
}

void ConsoleController::watchFiles()
{
    const QDir& dir = m_lists->directory();
    auto* watcher =
        new ConsoleFileWatcher(dir.absolutePath(), dir.filePath(timesignal::kTimeSignalFileName),
                               m_options.settingsPath, this);
    connect(watcher, &ConsoleFileWatcher::listsChanged, m_lists, &MessageListService::rescan);
    connect(watcher, &ConsoleFileWatcher::scheduleChanged, m_schedule,
            &ScheduleService::reloadSchedule);
    connect(watcher, &ConsoleFileWatcher::settingsChanged, m_schedule,
            &ScheduleService::reloadTexts);
    connect(watcher, &ConsoleFileWatcher::settingsChanged, m_shortcuts, &ShortcutService::reload);
    connect(watcher, &ConsoleFileWatcher::settingsChanged, m_serverSettings,
            &ServerSettingsService::reload);
}

void ConsoleController::trackRefusedLogins()
{
    connect(m_link, &LinkSupervisor::connected, this, [this](bool loggingIn) {
        if (loggingIn)
            m_loginPassword = m_serverSettings->adminPassword();
    });
    connect(m_link, &LinkSupervisor::loginRefused, this,
            [this] { m_refusedPasswords.insert(m_loginPassword); });
}

void ConsoleController::login()
{
    m_loginPassword = m_serverSettings->adminPassword();
    m_link->login();
}

void ConsoleController::onAdminPasswordChanged(const QString& password)
{
    m_link->setPassword(password);
    // The window waits for the operator's ログイン, as it always has.
    if (!m_options.retryLoginOnNewPassword || !m_link->refusalStands() ||
        m_refusedPasswords.contains(password))
        return;
    logEvent(u"ログイン 新しい管理者パスワードで再試行"_s);
    login();
}

ConsoleController::~ConsoleController()
{
    // The parts go before the members they report to.
    delete m_accountService;
    delete m_broadcast;
    delete m_link;
}

void ConsoleController::initialise()
{
    m_clockTimer->start(kClockTimerMs);
    m_scheduler.clearFixedFlags();

    m_serverSettings->load();
    prepareDataDirectory(); // and the list names
    m_schedule->load();
    m_shortcuts->LoadShortcutBindings();

    postControlState(ControlState::LoggedOut);
    setStatus(status::kNotLoggedIn);
    // The address counts from the start; a changed one is used at the next start.
    m_link->start(m_serverSettings->hostIP(), m_options.port);
    watchFiles();
}

void ConsoleController::prepareDataDirectory()
{
    const broadcast::DataDirectoryOutcome dd =
        broadcast::EnsureDataDirectory(m_options.programDirectory);
    if (!dd.made) {
        m_prompts.inform(Notice::DataDirectoryFailed);
    } else if (dd.created) {
        m_prompts.inform(Notice::DataDirectoryCreated);
        m_prompts.inform(dd.sample ? Notice::SampleListWritten : Notice::SampleListFailed);
        m_prompts.inform(dd.timeSignal ? Notice::TimeSignalFileWritten
                                       : Notice::TimeSignalFileFailed);
    }
    m_schedule->setDirectory(dd.dir);
    m_lists->setDirectory(dd.dir);
}

void ConsoleController::postControlState(ControlState state)
{
    // After the current handler, in order with the replies and requests queued before.
    QMetaObject::invokeMethod(
        this, [this, state] { Q_EMIT controlStateChanged(state); }, Qt::QueuedConnection);
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
    // A profile's every line names its world: the logs and the journals of several
    // consoles side by side can be told apart.
    const QString line = m_options.logPrefix() + m_logMark + text;
    Q_EMIT eventLogged(now, line);
    if (m_log.write(now, line) || m_logFailureShown)
        return;
    // Told once a run; the console goes on without its record.
    m_logFailureShown = true;
    showNotice(status::kLogFailed);
}

// --- The link ---------------------------------------------------------------

void ConsoleController::onLinkStateChanged(LinkState state)
{
    switch (state) {
    case LinkState::Idle:
        break;
    case LinkState::Starting:
    case LinkState::Connecting:
    case LinkState::Reconnecting:
        setStatus(status::kConnecting);
        break;
    case LinkState::Connected:
    case LinkState::LoggingIn:
        setStatus(status::kNotLoggedIn);
        break;
    case LinkState::LoggedIn:
        // The player count follows at once; until it comes, no refusal is shown.
        if (m_baseStatus == status::kLoginRefused) {
            const std::optional<qint32> players = m_link->session().playerCount();
            setStatus(players ? status::playerCount(*players) : status::kNotLoggedIn);
        }
        postControlState(ControlState::LoggedIn);
        break;
    case LinkState::Refused:
        setStatus(status::kLoginRefused);
        break;
    case LinkState::Unreachable:
        setStatus(status::kCannotConnect);
        break;
    case LinkState::Lost:
        setStatus(status::kLost);
        break;
    }
    Q_EMIT linkStateChanged(state);
}

void ConsoleController::onConnected(bool loggingIn)
{
    // A broadcast that ran before any login goes on without one.
    if (!loggingIn && !m_link->loggedInBefore())
        m_broadcast->resume();
}

void ConsoleController::onLinkLost()
{
    m_broadcast->pauseForLostLink();
    postControlState(m_broadcast->isPaused() ? ControlState::LinkLostPaused
                                             : ControlState::LinkLost);
}

// --- Broadcasting -----------------------------------------------------------

bool ConsoleController::sendLiveTextLeavingBox(const QString& text)
{
    const QString out = textSent(text, protocol::kLiveCap);
    if (!SendBroadcastText(text, protocol::kLiveCap) && !m_link->isUp()) {
        logEvent(u"未送信 生声："_s + out);
        return false;
    }
    logEvent(u"送信 生声："_s + out);
    return true;
}

void ConsoleController::SendLiveMessage(const QString& text)
{
    m_liveText = text;
    if (!sendLiveTextLeavingBox(m_liveText)) {
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
    if (row < 0 || row >= lines().size())
        return;
    // Lines of any length are copied whole; sending cuts them at 36 bytes.
    m_liveText = lines().at(row);
    Q_EMIT liveTextChanged(m_liveText);
}

void ConsoleController::startChosenList()
{
    if (m_currentList < 0) {
        m_prompts.inform(Notice::NoListToBroadcast);
        return;
    }
    StartBroadcast();
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

void ConsoleController::TimeSignalTick()
{
    // One clock reading per tick: every test and text of this tick uses it.
    const QDateTime now = m_time->now();
    const auto actions = m_scheduler.TimeSignalTick(now, m_timeSignalEnabled);
    for (const auto& action : actions) {
        if (!m_link->isUp()) {
            missed(action); // never sent late
            continue;
        }
        if (action.kind == timesignal::TimeSignalScheduler::Action::SendText) {
            SendBroadcastText(action.text, protocol::kLineCap);
            logEvent(u"送信 時報："_s + textSent(action.text, protocol::kLineCap));
        } else {
            StartListBroadcast(action.text);
        }
    }
}

void ConsoleController::missed(const timesignal::TimeSignalScheduler::Action& action)
{
    if (action.kind == timesignal::TimeSignalScheduler::Action::SendText) {
        logEvent(u"未送信 時報："_s + textSent(action.text, protocol::kLineCap));
        showNotice(status::kSignalMissed);
    } else {
        logEvent(u"未送信 予約放送「"_s + action.text + u"」 "_s +
                 m_time->now().time().toString(u"HH:mm:ss"_s));
        showNotice(status::kListMissed);
    }
}

// --- Lists and shortcuts ----------------------------------------------------

ConsoleStatus ConsoleController::status() const
{
    ConsoleStatus out;
    out.link = m_link->state();
    if (out.link == LinkState::LoggedIn)
        out.players = m_link->session().playerCount();
    const broadcast::BroadcastEngine& engine = m_broadcast->engine();
    if (engine.isRunning() || m_broadcast->isPaused()) {
        const int lines = int(m_broadcast->lines().size());
        out.broadcast =
            BroadcastStatus{m_broadcast->title(), qMax(0, lines - engine.remainingLines()), lines,
                            m_broadcast->isPaused()};
    }
    out.timeSignalEnabled = m_timeSignalEnabled;
    if (m_timeSignalEnabled) {
        const QDateTime now = m_time->now();
        out.nextSignal = m_scheduler.nextSignal(now);
        out.nextList = m_scheduler.nextList(now);
    }
    return out;
}

QString ConsoleController::currentListName() const
{
    return m_currentList >= 0 ? m_listNames.at(m_currentList) : QString();
}

void ConsoleController::setCurrentList(int index)
{
    m_currentList = index >= 0 && index < m_listNames.size() ? index : -1;
    Q_EMIT currentListChanged(m_currentList);
}

void ConsoleController::RefreshListNames()
{
    // The chosen list stays chosen while it exists. The lines in view are not
    // touched: a broadcast under way goes on with the lines it loaded.
    const QString chosen = currentListName();
    m_listNames = m_lists->names();
    m_currentList = chosen.isEmpty() ? -1 : int(m_listNames.indexOf(chosen));
    Q_EMIT listNamesChanged(m_listNames);
    if (m_currentList >= 0)
        Q_EMIT currentListChanged(m_currentList);
}

void ConsoleController::reselectList(const QString& listName)
{
    // Selected again, but not reloaded: the view keeps the lines it showed.
    setCurrentList(listName.isEmpty() ? -1 : broadcast::FindListByName(m_listNames, listName));
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
    const platform::Result<QStringList> lines = m_lists->read(title);
    if (!lines) {
        // The view must not show lines that the selector does not name.
        m_broadcast->setLines(title, {});
        m_prompts.inform(Notice::ListUnreadable, title);
        return;
    }
    // The live box keeps what the operator typed: reloading a list (also by the
    // scheduler underneath) must not throw away a message not yet sent.
    m_broadcast->setLines(title, *lines);
}

bool ConsoleController::listStillThere(const QString& listName, const QString& notDone)
{
    // Listed afresh: the list may have gone while the question was open, before the
    // watcher's news of it has come.
    m_lists->rescan();
    if (m_lists->names().contains(listName))
        return true;
    logEvent(notDone + u"：リスト「"_s + listName + u"」は確認の間になくなりました"_s);
    m_prompts.inform(Notice::ListGone, listName);
    return false;
}

void ConsoleController::DeleteSelectedList()
{
    // The answer deletes the list shown when the question was asked, whatever a
    // command, the schedule or a shortcut chose while the box was open.
    const QString listName = currentListName();
    if (!m_prompts.confirm(Question::DeleteList))
        return;
    if (listName.isEmpty()) {
        m_prompts.inform(Notice::NoListSelected);
        return;
    }
    if (!listStillThere(listName, u"削除しません"_s))
        return;
    const QString shown = currentListName();
    // A failed deletion is not reported: the selector still shows the file.
    (void)m_lists->remove(listName);
    if (shown == listName) {
        logEvent(u"削除 リスト「"_s + listName + u"」"_s);
        setCurrentList(-1);
        m_broadcast->setLines(QString(), {});
        return;
    }
    // Another list was chosen meanwhile: it stays chosen and keeps its lines.
    logEvent(u"削除 リスト「"_s + listName + u"」（確認の間に「"_s + shown +
             u"」が選ばれました）"_s);
}

void ConsoleController::PressShortcut(int slot)
{
    if (!m_shortcuts->isBound(slot))
        return;
    const QString bound = m_shortcuts->boundName(slot);
    const int index = broadcast::FindListByName(m_listNames, bound);
    if (index < 0) {
        m_prompts.inform(Notice::ShortcutListMissing);
        // Bound anew while the box was open: that binding stays.
        if (m_shortcuts->boundName(slot) != bound)
            return;
        // Only in memory: the binding comes back at the next start if the list exists again.
        m_shortcuts->unbindInMemory(slot);
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
    // The list chosen when the question was asked is the one bound.
    const QString listName = currentListName();
    if (listName.isEmpty()) {
        m_prompts.inform(Notice::NoListToBind);
        return;
    }
    if (!m_prompts.confirm(Question::BindShortcut, slot))
        return;
    if (!listStillThere(listName, u"割り付けません"_s))
        return;
    // A failed write is not reported; the binding holds for this run.
    (void)m_shortcuts->bind(slot, listName);
}

void ConsoleController::UnbindShortcut(int slot)
{
    // The binding the operator agreed to release, as it stood when asked.
    const QString bound = m_shortcuts->boundName(slot);
    if (!m_prompts.confirm(Question::UnbindShortcut, slot))
        return;
    if (m_shortcuts->boundName(slot) != bound) {
        logEvent(u"解除しません：短縮ボタン（"_s + QString::number(slot) +
                 u"）は確認の間に変わりました"_s);
        m_prompts.inform(Notice::ShortcutChanged, QString::number(slot));
        return;
    }
    (void)m_shortcuts->unbind(slot);
}

void ConsoleController::shutDown()
{
    m_clockTimer->stop();
    m_broadcast->shutDown();
    m_schedule->saveTextsOnClose();
}

} // namespace tolvane::console
