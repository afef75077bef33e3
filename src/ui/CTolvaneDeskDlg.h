#pragma once

#include "admin/AccountStore.h"
#include "app/IniSettings.h"
#include "broadcast/BroadcastEngine.h"
#include "broadcast/ShortcutSlots.h"
#include "net/CClientASock.h"
#include "net/SessionProtocol.h"
#include "timesignal/TimeSignalScheduler.h"

#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QHash>
#include <QTimer>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tolvane::ui {

class UpDownControl;

struct DeskOptions
{
    QString settingsPath;     // Tolvane.ini, fixed at start-up
    QString programDirectory; // the data directory is found beside the program
    bool autoLogin = false;   // log in as soon as the connection attempt completes
    quint16 port = CClientASock::kDefaultPort;
    std::function<QDateTime()> clock; // local time; QDateTime::currentDateTime when empty
};

// The console's main window: owns the connection, the session, the loaded list, the
// broadcast engine, the shortcut bindings, the time-signal scheduler and the account
// store, and routes every control, timer and internal notification.
class CTolvaneDeskDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kClockTimerMs = 300;
    static constexpr int kPollTimerMs = 5000;

    explicit CTolvaneDeskDlg(DeskOptions options, QWidget* parent = nullptr);
    ~CTolvaneDeskDlg() override;

    // Operations, also reachable from tests.
    void Login();
    void SendBroadcastText(const QString& text, int cap);
    void SendLiveMessage();
    void StartBroadcast();
    void StartListBroadcast(const QString& listName);
    void StopBroadcast();
    void PacingTick();
    void TimeSignalTick();
    void RefreshListNames();
    void LoadSelectedList();
    void DeleteSelectedList();
    void PressShortcut(int slot);
    void BindShortcut();
    void UnbindShortcut();
    void OpenTimeSignalSettings();

    QWidget* controlWidget(int id) const { return m_controls.value(id); }
    const QDir& dataDirectory() const { return m_dataDir; }
    const SessionProtocol& session() const { return m_session; }
    const broadcast::BroadcastEngine& engine() const { return m_engine; }
    const broadcast::ShortcutSlots& shortcuts() const { return m_shortcuts; }
    const timesignal::TimeSignalScheduler& scheduler() const { return m_scheduler; }
    admin::AccountStore& accounts() { return m_accounts; }
    CClientASock& connection() { return m_socket; }
    QString hostAddress() const { return m_hostIP; }
    QString adminPassword() const { return m_adminPW; }
    bool isPacingTimerActive() const { return m_pacingTimer.isActive(); }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void OnInitDialog();
    void buildLayout();
    void connectControls();
    void showDataDirectoryBoxes();
    void readServerSettings();
    void SetControlState(int state);
    void OnConnect(int errorCode);
    void OnFrameReceived();
    void onAccountRequest(int notification, qint64 wParam, qint64 lParam);
    void onStartButton();
    void onNewList();
    void onEditList();
    void onConfig();
    void onAccounts();
    void onClose();
    void openAboutBox();
    void updateShortcutTooltip(int slot);
    int selectedSlot() const;
    QStringList listEntries() const;
    void showStatusText();

    DeskOptions m_options;
    IniSettings m_settings;
    QDir m_dataDir;
    QHash<int, QWidget*> m_controls;
    QComboBox* m_selector = nullptr;
    QListWidget* m_lines = nullptr;
    QLineEdit* m_liveEdit = nullptr;
    QLineEdit* m_statusEdit = nullptr;
    QCheckBox* m_clearAfterSend = nullptr;
    QCheckBox* m_displayOnly = nullptr;
    QCheckBox* m_timeSignalEnabled = nullptr;
    UpDownControl* m_slotSpin = nullptr;
    bool m_systemMenuAdded = false;

    QString m_hostIP;
    QString m_adminPW;
    QString m_liveText;

    CClientASock m_socket;
    SessionProtocol m_session;
    admin::AccountStore m_accounts;
    broadcast::BroadcastEngine m_engine;
    broadcast::ShortcutSlots m_shortcuts;
    timesignal::TimeSignalScheduler m_scheduler;

    QTimer m_clockTimer;  // timer 0: the time-signal scheduler
    QTimer m_pacingTimer; // timer 1: one list line every 1500 ms
    QTimer m_pollTimer;   // timer 99: the player count every 5000 ms
};

} // namespace tolvane::ui
