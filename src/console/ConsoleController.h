#pragma once

#include "admin/AccountStore.h"
#include "app/IniSettings.h"
#include "broadcast/BroadcastEngine.h"
#include "broadcast/ShortcutSlots.h"
#include "console/ControlState.h"
#include "console/LinkState.h"
#include "console/OperatorLog.h"
#include "console/OperatorPrompts.h"
#include "console/TimeSource.h"
#include "net/ServerConnection.h"
#include "net/SessionProtocol.h"
#include "timesignal/TimeSignalScheduler.h"

#include <QDir>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

namespace tolvane::console {

struct ConsoleOptions
{
    QString settingsPath;     // Tolvane.ini, fixed at start-up
    QString programDirectory; // the data directory is found beside the program
    bool autoLogin = false;   // log in as soon as the connection attempt completes
    quint16 port = 10010;
    // The operator's log; TolvaneLog beside the data directory when empty.
    QString logDirectory;
};

// The console without its window: the connection and the session, the account
// store, the loaded list and the broadcast engine, the shortcut bindings, the
// time-signal scheduler, the timers and the operator's log. Operator actions come in
// as calls; what the window should show goes out as signals; questions for the
// operator go through OperatorPrompts. Everything runs on one thread: internal
// notifications are posted to this object and handled in posting order.
//
// The link: a connection that breaks (closed, reset, or three player-count requests
// unanswered) is made again by itself, at once and then after 1, 2, 4 and every
// 5 s, and logged in again when it had been. A list broadcast waits meanwhile and
// goes on from the line that was under way. While the link is up, the console
// behaves exactly as it always has.
class ConsoleController : public QObject
{
    Q_OBJECT
public:
    static constexpr int kClockTimerMs = 300;
    static constexpr int kPollTimerMs = 5000;
    static constexpr int kConnectTimeoutMs = 10000;
    // How long a notice (a text not sent, a signal missed) holds the status box.
    static constexpr int kNoticeMs = 10000;
    // Unanswered player-count requests in a row that make a link count as lost,
    // once the last of them has had this long to be answered.
    static constexpr int kSilentPolls = 3;
    static constexpr int kReplyGraceMs = 1000;
    // The wait before the next attempt after `failures` failed ones in a row.
    static int retryDelayMs(int failures);

    // `time` and `prompts` outlive the controller; a null `time` is the system's
    // clock and a null `connection` a real socket.
    ConsoleController(ConsoleOptions options, OperatorPrompts& prompts, TimeSource* time = nullptr,
                      std::unique_ptr<ServerConnection> connection = nullptr,
                      QObject* parent = nullptr);
    ~ConsoleController() override;

    // The controller's steps of the window's start: timers, settings, the data
    // directory, the list names, the time signal, the shortcuts, control state 0,
    // the status text and the connect request.
    void initialise();

    // Operator actions.
    void Login();
    void SendLiveMessage(const QString& text);
    // A live message that does not come from the live box (a command): the same frame,
    // cap and log line, and the box keeps what the operator typed. False when nothing
    // went out.
    bool sendLiveText(const QString& text);
    void copyLineToLive(int row);
    void requestBroadcast(); // the start button: refused with a notice when no list is chosen
    void StartBroadcast();
    void StartListBroadcast(const QString& listName);
    void StopBroadcast();
    void selectList(int index); // the operator chose an entry of the list selector
    void LoadSelectedList();
    void DeleteSelectedList();
    void PressShortcut(int slot);
    void BindShortcut(int slot);
    void UnbindShortcut(int slot);
    void setDisplayOnly(bool on) { m_displayOnly = on; }
    void setClearAfterSend(bool on) { m_clearAfterSend = on; }
    void setTimeSignalEnabled(bool on) { m_timeSignalEnabled = on; }

    // Timer steps, also reachable from tests.
    void PacingTick();
    void TimeSignalTick();

    // After the dialogs.
    void RefreshListNames();
    // Refills the selector and selects the entry the name finds, without reloading.
    void refreshAndReselect(const QString& listName);
    // The administrator password, for the next login.
    void readServerSettings();
    void reloadTimeSignalConfig();
    // "おわり～！": the clock and the pacing stop and the time-signal texts are saved.
    void shutDown();

    // Where account replies are announced: the window answers with the account
    // dialog while it is open. Nothing is posted while it answers null.
    void setAccountReplyTarget(std::function<QObject*()> target)
    {
        m_replyTarget = std::move(target);
    }

    const QStringList& listNames() const { return m_listNames; }
    int currentList() const { return m_currentList; }
    QString currentListName() const;
    const QStringList& lines() const { return m_lines; }
    QString liveText() const { return m_liveText; }
    QString statusText() const { return m_statusText; }
    LinkState linkState() const { return m_linkState; }
    bool isLinkUp() const { return m_connection->isConnected(); }
    bool isBroadcastPaused() const { return m_paused; }
    bool isTimeSignalEnabled() const { return m_timeSignalEnabled; }
    // The title of the lines in view (the list a broadcast sends).
    QString loadedListName() const { return m_loadedList; }

    // Appends a line to the operator's log, with the mark set below in front.
    void logEvent(const QString& text);
    // Lines logged until the mark is cleared carry it: they come from a command, not
    // from the window.
    void setLogMark(const QString& mark) { m_logMark = mark; }
    const IniSettings& settings() const { return m_settings; }
    const QDir& dataDirectory() const { return m_dataDir; }
    TimeSource& timeSource() const { return *m_time; }
    admin::AccountStore& accounts() { return m_accounts; }
    const SessionProtocol& session() const { return m_session; }
    const broadcast::BroadcastEngine& engine() const { return m_engine; }
    const broadcast::ShortcutSlots& shortcuts() const { return m_shortcuts; }
    const timesignal::TimeSignalScheduler& scheduler() const { return m_scheduler; }
    ServerConnection& connection() const { return *m_connection; }
    bool isPacingTimerActive() const;

Q_SIGNALS:
    void controlStateChanged(tolvane::console::ControlState state);
    void statusTextChanged(const QString& text);
    void linkStateChanged(tolvane::console::LinkState state);
    // The selector was refilled; no entry is selected.
    void listNamesChanged(const QStringList& names);
    // The console itself selected an entry (-1: none).
    void currentListChanged(int index);
    // The first load enables the list's delete and edit commands for good.
    void listCommandsEnabled();
    void linesChanged(const QStringList& lines);
    // The line being sent is highlighted.
    void currentLineChanged(int row);
    void liveTextChanged(const QString& text);
    // A slot's bound list name changed (empty: unbound).
    void shortcutChanged(int slot, const QString& boundName);
    // A line went to the operator's log (or failed to): the text as logged.
    void eventLogged(const QDateTime& localTime, const QString& text);

protected:
    bool event(QEvent* event) override;

private:
    void ensureDataDirectory();
    void connectNow();
    void OnConnect(int errorCode);
    void onConnectFailed(const QString& reason, bool showBox);
    void OnClose(int errorCode);
    void linkLost(const QString& reason);
    void setLinkState(LinkState state);
    void sendLogin();
    void pollTick();
    void declareSilent();
    void OnFrameReceived();
    void onAccountRequest(int notification, qint64 wParam, qint64 lParam);
    bool SendBroadcastText(const QString& text, int cap);
    void pauseBroadcast();
    void resumeBroadcast();
    void missed(const timesignal::TimeSignalScheduler::Action& action);
    void setCurrentList(int index);
    void setLines(const QStringList& lines);
    void postControlState(ControlState state);
    void setStatus(const QString& text);
    void showNotice(const QString& text);

    ConsoleOptions m_options;
    OperatorPrompts& m_prompts;
    TimeSource* m_time;
    IniSettings m_settings;
    QDir m_dataDir;
    std::unique_ptr<ServerConnection> m_connection;
    SessionProtocol m_session;
    admin::AccountStore m_accounts;
    broadcast::BroadcastEngine m_engine;
    broadcast::ShortcutSlots m_shortcuts;
    timesignal::TimeSignalScheduler m_scheduler;
    std::function<QObject*()> m_replyTarget;

    QString m_connectHost; // the address of the start: a changed one counts from the next
    QString m_adminPW;
    QString m_statusText;
    QString m_baseStatus; // what the status shows when no notice holds it
    OperatorLog m_log;
    bool m_logFailureShown = false;
    QString m_logMark;

    LinkState m_linkState = LinkState::Connecting;
    bool m_connectStarted = false;
    bool m_everConnected = false;
    bool m_wasLoggedIn = false;  // log in again by itself after a reconnection
    bool m_loginWanted = false;  // the operator asked to log in while the link was down
    bool m_loginRefused = false; // never retried by itself; the login button clears it
    bool m_loginPending = false; // a login went out and its answer has not come
    int m_failedAttempts = 0;
    int m_unansweredPolls = 0;
    bool m_paused = false; // a list broadcast waits for the link
    QString m_loadedList;  // the title of the lines in view
    QStringList m_listNames;
    int m_currentList = -1;
    QStringList m_lines;
    QString m_liveText;
    bool m_displayOnly = true;
    bool m_clearAfterSend = true;
    bool m_timeSignalEnabled = true;

    ConsoleTimer* m_clockTimer;  // timer 0: the time-signal scheduler
    ConsoleTimer* m_pacingTimer; // timer 1: one list line every 1500 ms
    ConsoleTimer* m_pollTimer;   // timer 99: the player count every 5000 ms
    ConsoleTimer* m_retryTimer;  // the next connection attempt
    ConsoleTimer* m_connectTimeout;
    ConsoleTimer* m_noticeTimer;   // active while a notice holds the status box
    ConsoleTimer* m_replyDeadline; // the last chance of a silent server
};

} // namespace tolvane::console
