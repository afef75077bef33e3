#pragma once

#include "console/AccountService.h"
#include "console/BroadcastSession.h"
#include "console/ConsoleOptions.h"
#include "console/ControlState.h"
#include "console/LinkState.h"
#include "console/LinkSupervisor.h"
#include "console/MessageListService.h"
#include "console/OperatorLog.h"
#include "console/OperatorPrompts.h"
#include "console/ScheduleService.h"
#include "console/ServerSettingsService.h"
#include "console/ShortcutService.h"
#include "console/TimeSource.h"
#include "net/ServerConnection.h"
#include "net/SessionProtocol.h"
#include "protocol/BroadcastRequest.h"
#include "protocol/ServerPort.h"
#include "timesignal/TimeSignalScheduler.h"

#include <QDir>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace tolvane::console {

// Where a list broadcast stands: the list it sends, the lines gone out (the one
// under way included) of how many, and whether it waits for the link.
struct BroadcastStatus
{
    QString list;
    int line = 0;
    int lines = 0;
    bool paused = false;
};

// Where the console stands, as a script asks with --status.
struct ConsoleStatus
{
    LinkState link = LinkState::Idle;
    std::optional<qint32> players;            // while logged in, once counted
    std::optional<BroadcastStatus> broadcast; // a list broadcast runs or waits for the link
    bool timeSignalEnabled = true;
    // Due next while the time signal is enabled.
    std::optional<timesignal::TimeSignalScheduler::Due> nextSignal;
    std::optional<timesignal::TimeSignalScheduler::Due> nextList;
};

// The console without its window. It coordinates its parts (the link, the list
// broadcast, the account service, the time-signal scheduler) with the services that
// own the console's files (the message lists, the schedule, the shortcut bindings,
// the server settings), the status text and the operator's log. It follows the
// services' change signals, so a file changed by a dialog or by hand reaches the
// window and the headless console alike. Operator actions come in as calls; what the
// window should show goes out as signals; questions for the operator go through
// OperatorPrompts. Everything runs on one thread: what must run after the current
// handler is queued, and queued calls run in order.
class ConsoleController : public QObject
{
    Q_OBJECT
public:
    static constexpr int kClockTimerMs = 300;
    // How long a notice (a text not sent, a signal missed) holds the status box.
    static constexpr int kNoticeMs = 10000;

    // `time` and `prompts` outlive the controller; a null `time` is the system's
    // clock and a null `connection` a real socket.
    ConsoleController(ConsoleOptions options, OperatorPrompts& prompts, TimeSource* time = nullptr,
                      std::unique_ptr<net::ServerConnection> connection = nullptr,
                      QObject* parent = nullptr);
    ~ConsoleController() override;

    // The controller's steps of the window's start: timers, settings, the data
    // directory, the list names, the time signal, the shortcuts, control state 0,
    // the status text and the connect request; then the files are watched.
    void initialise();

    // Operator actions.
    void login();
    void SendLiveMessage(const QString& text);
    // A live message that does not come from the live box (a command): the same frame,
    // cap and log line, and the box keeps what the operator typed. False when nothing
    // went out.
    bool sendLiveTextLeavingBox(const QString& text);
    void copyLineToLive(int row);
    void startChosenList(); // the start button: refused with a notice when no list is chosen
    void StartBroadcast() { m_broadcast->StartBroadcast(); }
    void StartListBroadcast(const QString& listName);
    void StopBroadcast() { m_broadcast->StopBroadcast(); }
    void selectList(int index); // the operator chose an entry of the list selector
    void LoadSelectedList();
    void DeleteSelectedList();
    void PressShortcut(int slot);
    void BindShortcut(int slot);
    void UnbindShortcut(int slot);
    void setDisplayOnly(bool on) { m_displayOnly = on; }
    void setClearAfterSend(bool on) { m_clearAfterSend = on; }
    void setTimeSignalEnabled(bool on) { m_timeSignalEnabled = on; }

    // The clock timer's step, also reachable from tests.
    void TimeSignalTick();

    // Selects the entry the name finds (none for an empty name), without reloading:
    // the choice of before the time-signal dialog, which a scheduled list may have
    // changed underneath it.
    void reselectList(const QString& listName);
    // "おわり～！": the clock and the pacing stop and the time-signal texts are saved.
    void shutDown();

    const QStringList& listNames() const { return m_listNames; }
    int currentList() const { return m_currentList; }
    QString currentListName() const;
    const QStringList& lines() const { return m_broadcast->lines(); }
    // The title of the lines in view (the list a broadcast sends).
    QString loadedListName() const { return m_broadcast->title(); }
    QString liveText() const { return m_liveText; }
    QString statusText() const { return m_statusText; }
    LinkState linkState() const { return m_link->state(); }
    bool isTimeSignalEnabled() const { return m_timeSignalEnabled; }
    ConsoleStatus status() const;
    // The world this console is for; empty for the default console.
    QString profile() const { return m_options.profile; }

    // Appends a line to the operator's log, with the mark set below in front.
    void logEvent(const QString& text);
    // Lines logged until the mark is cleared carry it: they come from a command, not
    // from the window.
    void setLogMark(const QString& mark) { m_logMark = mark; }

    // What the dialogs edit through, and the clock they show.
    MessageListService& lists() const { return *m_lists; }
    ScheduleService& schedule() const { return *m_schedule; }
    ShortcutService& shortcuts() const { return *m_shortcuts; }
    ServerSettingsService& serverSettings() const { return *m_serverSettings; }
    AccountService& accountService() { return *m_accountService; }
    TimeSource& timeSource() const { return *m_time; }

Q_SIGNALS:
    void controlStateChanged(tolvane::console::ControlState state);
    void statusTextChanged(const QString& text);
    void linkStateChanged(tolvane::console::LinkState state);
    // The selector was refilled; no entry is selected until currentListChanged.
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

private:
    void prepareDataDirectory();
    void connectServices();
    void watchFiles();
    // Refills the selector from the list service, keeping the chosen list by name.
    void RefreshListNames();
    void trackRefusedLogins();
    void onAdminPasswordChanged(const QString& password);
    void onLinkStateChanged(LinkState state);
    void onConnected(bool loggingIn);
    void onLinkLost();
    bool SendBroadcastText(const QString& text, int cap)
    {
        return m_link->send(protocol::buildBroadcastRequest(text, cap));
    }
    void missed(const timesignal::TimeSignalScheduler::Action& action);
    void setCurrentList(int index);
    // True when the list is still there; otherwise the log says what was `notDone`
    // and the operator is told.
    bool listStillThere(const QString& listName, const QString& notDone);
    void postControlState(ControlState state);
    void setStatus(const QString& text);
    void showNotice(const QString& text);

    ConsoleOptions m_options;
    OperatorPrompts& m_prompts;
    TimeSource* m_time;
    LinkSupervisor* m_link;
    BroadcastSession* m_broadcast;
    AccountService* m_accountService;
    MessageListService* m_lists;
    ScheduleService* m_schedule;
    ShortcutService* m_shortcuts;
    ServerSettingsService* m_serverSettings;
    timesignal::TimeSignalScheduler m_scheduler;
    // The password the last login went out with, and those refused in this run
    // (whether a refusal stands is the link's to say).
    QString m_loginPassword;
    QSet<QString> m_refusedPasswords;

    QString m_statusText;
    QString m_baseStatus; // what the status shows when no notice holds it
    OperatorLog m_log;
    bool m_logFailureShown = false;
    QString m_logMark;

    QStringList m_listNames;
    int m_currentList = -1;
    QString m_liveText;
    bool m_displayOnly = true;
    bool m_clearAfterSend = true;
    bool m_timeSignalEnabled = true;

    ConsoleTimer* m_clockTimer;  // timer 0: the time-signal scheduler
    ConsoleTimer* m_noticeTimer; // active while a notice holds the status box
};

} // namespace tolvane::console
