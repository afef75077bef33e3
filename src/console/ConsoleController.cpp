#include "console/ConsoleController.h"

#include "app/SettingsKeys.h"
#include "broadcast/BroadcastRequest.h"
#include "broadcast/DataDirectory.h"
#include "broadcast/MessageListStore.h"
#include "net/CClientASock.h"
#include "net/Notifications.h"
#include "net/SessionMessages.h"
#include "timesignal/TimeSignalFile.h"
#include "timesignal/TimeSignalTexts.h"

namespace tolvane::console {

using Notice = OperatorPrompts::Notice;
using Question = OperatorPrompts::Question;

ConsoleController::ConsoleController(ConsoleOptions options, OperatorPrompts& prompts,
                                     TimeSource* time, std::unique_ptr<ServerConnection> connection,
                                     QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_prompts(prompts),
      m_time(time ? time : &SystemTimeSource::instance()), m_settings(m_options.settingsPath),
      m_connection(connection ? std::move(connection) : std::make_unique<CClientASock>())
{
    m_connection->setParent(nullptr); // owned here, not by a parent
    m_connection->setOwner(this);
    connect(m_connection.get(), &ServerConnection::OnConnect, this, &ConsoleController::OnConnect);

    m_clockTimer = m_time->createTimer(this);
    m_pacingTimer = m_time->createTimer(this);
    m_pollTimer = m_time->createTimer(this);
    connect(m_clockTimer, &ConsoleTimer::timeout, this, &ConsoleController::TimeSignalTick);
    connect(m_pacingTimer, &ConsoleTimer::timeout, this, &ConsoleController::PacingTick);
    connect(m_pollTimer, &ConsoleTimer::timeout, this, [this] {
        if (m_session.loginAccepted())
            postNotification(this, WM_REQUEST_PLAYER_COUNT);
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

    readServerSettings();
    ensureDataDirectory();
    RefreshListNames();

    reloadTimeSignalConfig();

    m_shortcuts.LoadShortcutBindings(m_settings, m_listNames);
    for (int slot = 1; slot <= broadcast::ShortcutSlots::kSlotCount; ++slot)
        Q_EMIT shortcutChanged(slot, m_shortcuts.boundName(slot));

    m_engine.StopBroadcast();
    postControlState(ControlState::LoggedOut);
    Q_EMIT statusTextChanged(m_session.statusText());
    postNotification(this, WM_CONNECT_SERVER);
}

void ConsoleController::readServerSettings()
{
    m_hostIP = m_settings.read(keys::kSectionVelmira, keys::kHostIP, keys::kDefaultHostIP);
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
        m_connection->Connect(m_hostIP, m_options.port);
        break;
    case WM_REQUEST_PLAYER_COUNT:
        m_connection->Send(session::buildPlayerCountRequest());
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

void ConsoleController::OnConnect(int errorCode)
{
    if (errorCode != 0) {
        m_connection->Close();
        m_prompts.inform(Notice::ConnectionFailed);
    }
    // After a failure the socket is closed, so this login sends nothing.
    if (m_options.autoLogin)
        Login();
}

void ConsoleController::Login()
{
    m_connection->Send(session::buildLoginRequest(m_adminPW));
}

void ConsoleController::OnFrameReceived()
{
    if (!m_connection->hasFrame())
        return;
    const wire::Frame frame = m_connection->takeFrame();
    QObject* target = m_replyTarget ? m_replyTarget() : nullptr;
    switch (m_session.Dispatch(frame)) {
    case SessionProtocol::Outcome::LoginAccepted:
        postControlState(ControlState::LoggedIn);
        postNotification(this, WM_REQUEST_PLAYER_COUNT);
        break;
    case SessionProtocol::Outcome::PlayerCountShown:
        Q_EMIT statusTextChanged(m_session.statusText());
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
    case SessionProtocol::Outcome::LoginRefused:
    case SessionProtocol::Outcome::PlayerCountInvalid:
        break;
    }
}

void ConsoleController::onAccountRequest(int notification, qint64 wParam, qint64 lParam)
{
    if (const auto frame = m_accounts.buildRequest(notification, wParam, lParam))
        m_connection->Send(*frame);
}

bool ConsoleController::SendBroadcastText(const QString& text, int cap)
{
    return m_connection->Send(broadcast::buildBroadcastRequest(text, cap));
}

void ConsoleController::SendLiveMessage(const QString& text)
{
    m_liveText = text;
    SendBroadcastText(m_liveText, broadcast::kLiveCap);
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
    postControlState(ControlState::BroadcastOver);
}

void ConsoleController::PacingTick()
{
    const broadcast::BroadcastEngine::Tick tick = m_engine.PacingTick(int(m_lines.size()));
    if (tick.send) {
        // The highlighted line is the one being sent.
        Q_EMIT currentLineChanged(tick.index);
        SendBroadcastText(m_lines.at(tick.index), broadcast::kLineCap);
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
        if (action.kind == timesignal::TimeSignalScheduler::Action::SendText)
            SendBroadcastText(action.text, broadcast::kLineCap);
        else
            StartListBroadcast(action.text);
    }
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
