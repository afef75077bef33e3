#include "ui/CTolvaneDeskDlg.h"

#include "app/SettingsKeys.h"
#include "broadcast/BroadcastRequest.h"
#include "broadcast/DataDirectory.h"
#include "broadcast/MessageListStore.h"
#include "net/Notifications.h"
#include "net/SessionMessages.h"
#include "timesignal/TimeSignalFile.h"
#include "timesignal/TimeSignalTexts.h"
#include "ui/CAboutDlg.h"
#include "ui/CConfigDlg.h"
#include "ui/CMakeMes.h"
#include "ui/CTimeSignalDlg.h"
#include "ui/CVelmiraAccountDlg.h"
#include "ui/ControlTable.h"
#include "ui/DialogRunner.h"
#include "ui/MainWindowLayout.h"
#include "ui/MessageBoxSeam.h"
#include "ui/ProgramIcon.h"
#include "ui/UpDownControl.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#ifdef Q_OS_WIN
#include <windows.h>
// The version box's item in the system menu.
constexpr UINT kAboutCommand = 16;
#endif

namespace tolvane::ui {

using namespace mainwindow;

namespace {
const QString kPrepCaption = QStringLiteral("トルヴェイン準備委員会(^^)");
const QString kFailCaption = QStringLiteral("いや～～！　＞＜；");
const QString kNoListSelected =
    QStringLiteral("メッセージリストが選択されていません・・（；´ー｀）");
const QString kAboutMenuText = QStringLiteral("バージョン情報 TolvaneDesk(&A)...");
} // namespace

CTolvaneDeskDlg::CTolvaneDeskDlg(DeskOptions options, QWidget* parent)
    : QDialog(parent), m_options(std::move(options)), m_settings(m_options.settingsPath),
      m_socket(this)
{
    if (!m_options.clock)
        m_options.clock = [] { return QDateTime::currentDateTime(); };
    for (QTimer* t : {&m_clockTimer, &m_pacingTimer, &m_pollTimer})
        t->setTimerType(Qt::PreciseTimer);
    m_pacingTimer.setInterval(broadcast::BroadcastEngine::kPacingIntervalMs);
    connect(&m_clockTimer, &QTimer::timeout, this, &CTolvaneDeskDlg::TimeSignalTick);
    connect(&m_pacingTimer, &QTimer::timeout, this, &CTolvaneDeskDlg::PacingTick);
    connect(&m_pollTimer, &QTimer::timeout, this, [this] {
        if (m_session.loginAccepted())
            postNotification(this, WM_REQUEST_PLAYER_COUNT);
    });
    m_socket.setOwner(this);
    connect(&m_socket, &CClientASock::OnConnect, this, &CTolvaneDeskDlg::OnConnect);

    buildLayout();
    connectControls();
    OnInitDialog();
}

CTolvaneDeskDlg::~CTolvaneDeskDlg()
{
    qApp->removeEventFilter(this);
}

void CTolvaneDeskDlg::buildLayout()
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    m_controls = buildDialog(this, QStringLiteral("トルヴェイン for Velmira"), kSizeDu, controls());

    m_selector = qobject_cast<QComboBox*>(m_controls.value(IDC_LIST_SELECTOR));
    m_lines = qobject_cast<QListWidget*>(m_controls.value(IDC_LINES));
    m_liveEdit = qobject_cast<QLineEdit*>(m_controls.value(IDC_LIVE_TEXT));
    m_statusEdit = qobject_cast<QLineEdit*>(m_controls.value(IDC_STATUS));
    m_clearAfterSend = qobject_cast<QCheckBox*>(m_controls.value(IDC_CLEAR_AFTER_SEND));
    m_displayOnly = qobject_cast<QCheckBox*>(m_controls.value(IDC_DISPLAY_ONLY));
    m_timeSignalEnabled = qobject_cast<QCheckBox*>(m_controls.value(IDC_TIMESIG_ENABLED));
    m_slotSpin = qobject_cast<UpDownControl*>(m_controls.value(IDC_SLOT_SPIN));

    // The selector's number is the static without an id in the "短縮設定" frame.
    const QRect numberRect = dialogUnitsToPixels(QRect(192, 77, 18, 35), font());
    for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->geometry() == numberRect)
            m_slotSpin->setBuddy(label);
    }
    setWindowIcon(programIcon());
}

void CTolvaneDeskDlg::connectControls()
{
    auto button = [this](int id) { return qobject_cast<QPushButton*>(m_controls.value(id)); };
    connect(button(IDC_NEW_LIST), &QPushButton::clicked, this, &CTolvaneDeskDlg::onNewList);
    connect(button(IDC_EDIT_LIST), &QPushButton::clicked, this, &CTolvaneDeskDlg::onEditList);
    connect(button(IDC_DELETE_LIST), &QPushButton::clicked, this,
            &CTolvaneDeskDlg::DeleteSelectedList);
    connect(m_selector, &QComboBox::activated, this, &CTolvaneDeskDlg::LoadSelectedList);
    connect(m_lines, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        // Lines of any length are copied whole; sending cuts them at 36 bytes.
        m_liveText = item->text();
        m_liveEdit->setText(m_liveText);
    });
    connect(button(IDC_START), &QPushButton::clicked, this, &CTolvaneDeskDlg::onStartButton);
    connect(button(IDC_STOP), &QPushButton::clicked, this, &CTolvaneDeskDlg::StopBroadcast);
    connect(button(IDC_LIVE_SEND), &QPushButton::clicked, this, &CTolvaneDeskDlg::SendLiveMessage);
    for (int slot = 1; slot <= broadcast::ShortcutSlots::kSlotCount; ++slot) {
        connect(button(kShortcutIds[slot - 1]), &QPushButton::clicked, this,
                [this, slot] { PressShortcut(slot); });
    }
    connect(button(IDC_BIND), &QPushButton::clicked, this, &CTolvaneDeskDlg::BindShortcut);
    connect(button(IDC_UNBIND), &QPushButton::clicked, this, &CTolvaneDeskDlg::UnbindShortcut);
    connect(button(IDC_LOGIN), &QPushButton::clicked, this, &CTolvaneDeskDlg::Login);
    connect(button(IDC_ACCOUNTS), &QPushButton::clicked, this, &CTolvaneDeskDlg::onAccounts);
    connect(button(IDC_CONFIG), &QPushButton::clicked, this, &CTolvaneDeskDlg::onConfig);
    connect(button(IDC_TIMESIG_SETTINGS), &QPushButton::clicked, this,
            &CTolvaneDeskDlg::OpenTimeSignalSettings);
    connect(button(IDOK), &QPushButton::clicked, this, &CTolvaneDeskDlg::onClose);
    // Enter and Escape are handled before any control sees them.
    qApp->installEventFilter(this);
}

void CTolvaneDeskDlg::OnInitDialog()
{
    // The version box is reached from the system menu where the window system has
    // one (added when the native window exists) and from the window's context menu.
    m_clockTimer.start(kClockTimerMs);
    m_scheduler.clearFixedFlags();
    m_pollTimer.start(kPollTimerMs);

    m_slotSpin->setRange(1, broadcast::ShortcutSlots::kSlotCount);
    m_slotSpin->setPos(1);

    readServerSettings();

    showDataDirectoryBoxes();
    RefreshListNames();

    m_scheduler.setTexts(timesignal::readTimeSignalTexts(m_settings));
    if (const auto contents = timesignal::ReadTimeSignalFile(m_dataDir))
        m_scheduler.setSchedule(timesignal::LoadSchedule(*contents));

    m_shortcuts.LoadShortcutBindings(m_settings, listEntries());
    for (int slot = 1; slot <= broadcast::ShortcutSlots::kSlotCount; ++slot)
        updateShortcutTooltip(slot);

    m_engine.StopBroadcast();
    postNotification(this, WM_SET_CONTROL_STATE, 0);

    showStatusText();
    m_displayOnly->setChecked(true);
    postNotification(this, WM_CONNECT_SERVER);
    m_clearAfterSend->setChecked(true);
    m_timeSignalEnabled->setChecked(true);
}

void CTolvaneDeskDlg::readServerSettings()
{
    m_hostIP = m_settings.read(keys::kSectionVelmira, keys::kHostIP, keys::kDefaultHostIP);
    m_adminPW = m_settings.read(keys::kSectionVelmira, keys::kAdminPW, keys::kDefaultAdminPW);
}

void CTolvaneDeskDlg::showDataDirectoryBoxes()
{
    const broadcast::DataDirectoryOutcome dd =
        broadcast::EnsureDataDirectory(m_options.programDirectory);
    m_dataDir = dd.dir;
    if (dd.createFailed) {
        ShowMessageBox(this, QStringLiteral("データディレクトリが作れません・・（；；"));
        return;
    }
    if (!dd.created)
        return;
    ShowMessageBox(this, QStringLiteral("データディレクトリを作らせて頂きました♪"), kPrepCaption);
    if (dd.sampleWritten)
        ShowMessageBox(this, QStringLiteral("サンプルメッセージリストを生成しました"),
                       kPrepCaption);
    else
        ShowMessageBox(
            this, QStringLiteral("サンプルメッセージリストファイル作成失敗！\r開発者にご連絡を！"),
            kFailCaption);
    if (dd.timeSignalWritten)
        ShowMessageBox(this, QStringLiteral("時報設定ファイルを生成しました（隠し属性）"),
                       kPrepCaption);
    else
        ShowMessageBox(this, QStringLiteral("時報設定ファイル作成失敗！\r開発者にご連絡を！"),
                       kFailCaption);
}

bool CTolvaneDeskDlg::event(QEvent* event)
{
    const int type = int(event->type());
    if (type < WM_FRAME_RECEIVED || type > WM_ACCOUNT_INFO_ARRIVED)
        return QDialog::event(event);
    const auto* n = static_cast<NotifyEvent*>(event);
    switch (type) {
    case WM_FRAME_RECEIVED:
        OnFrameReceived();
        break;
    case WM_SET_CONTROL_STATE:
        SetControlState(int(n->wParam()));
        break;
    case WM_CONNECT_SERVER:
        m_socket.Connect(m_hostIP, m_options.port);
        break;
    case WM_REQUEST_PLAYER_COUNT:
        m_socket.Send(session::buildPlayerCountRequest());
        break;
    case WM_ACCOUNT_LIST_REQ:
    case WM_ACCOUNT_CREATE_REQ:
    case WM_ACCOUNT_DELETE_REQ:
    case WM_ACCOUNT_INFO_REQ:
    case WM_ACCOUNT_CHANGE_REQ:
        onAccountRequest(type, n->wParam(), n->lParam());
        break;
    default:
        // The account replies are for the account dialog; the main window ignores them.
        break;
    }
    return true;
}

bool CTolvaneDeskDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                // Enter sends the live message from whichever control has the focus,
                // also while the send button is disabled, and never closes the window.
                SendLiveMessage();
                return true;
            }
            if (key == Qt::Key_Escape)
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CTolvaneDeskDlg::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(kAboutMenuText, this, &CTolvaneDeskDlg::openAboutBox);
    menu.exec(event->globalPos());
}

void CTolvaneDeskDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
#ifdef Q_OS_WIN
    if (!m_systemMenuAdded) {
        m_systemMenuAdded = true;
        if (HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE)) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, kAboutCommand,
                        reinterpret_cast<const wchar_t*>(kAboutMenuText.utf16()));
        }
    }
#else
    Q_UNUSED(m_systemMenuAdded);
#endif
}

bool CTolvaneDeskDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
#ifdef Q_OS_WIN
    const auto* msg = static_cast<MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kAboutCommand) {
        openAboutBox();
        *result = 0;
        return true;
    }
#endif
    return QDialog::nativeEvent(eventType, message, result);
}

void CTolvaneDeskDlg::openAboutBox()
{
    CAboutDlg about(this);
    runDialog(about);
}

void CTolvaneDeskDlg::SetControlState(int state)
{
    const ControlState* s = controlState(state);
    if (!s)
        return;
    for (int id : s->enabled)
        m_controls.value(id)->setEnabled(true);
    for (int id : s->disabled)
        m_controls.value(id)->setEnabled(false);
    if (state == 0) {
        for (const auto& [id, tip] : tooltips())
            m_controls.value(id)->setToolTip(tip);
    }
}

void CTolvaneDeskDlg::OnConnect(int errorCode)
{
    if (errorCode != 0) {
        m_socket.Close();
        ShowMessageBox(this,
                       QStringLiteral("ヴェルミラ鯖とコネクションが取れません\r"
                                      "鯖設定を確認してトルヴェインを再起動して下さい"),
                       QStringLiteral("通信不能（；；"));
    }
    // After a failure the socket is closed, so this login sends nothing.
    if (m_options.autoLogin)
        Login();
}

void CTolvaneDeskDlg::Login()
{
    m_socket.Send(session::buildLoginRequest(m_adminPW));
}

void CTolvaneDeskDlg::OnFrameReceived()
{
    if (!m_socket.hasFrame())
        return;
    const wire::Frame frame = m_socket.takeFrame();
    // Account replies go to the most recently active modal window: the account dialog
    // while it is open; otherwise this window, which ignores them.
    QObject* target = QApplication::activeModalWidget();
    if (!target)
        target = this;
    switch (m_session.Dispatch(frame)) {
    case SessionProtocol::Outcome::LoginAccepted:
        postNotification(this, WM_SET_CONTROL_STATE, 1);
        postNotification(this, WM_REQUEST_PLAYER_COUNT);
        break;
    case SessionProtocol::Outcome::PlayerCountShown:
        showStatusText();
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

void CTolvaneDeskDlg::showStatusText()
{
    m_statusEdit->setText(m_session.statusText());
}

void CTolvaneDeskDlg::onAccountRequest(int notification, qint64 wParam, qint64 lParam)
{
    if (const auto frame = m_accounts.buildRequest(notification, wParam, lParam))
        m_socket.Send(*frame);
}

void CTolvaneDeskDlg::SendBroadcastText(const QString& text, int cap)
{
    m_socket.Send(broadcast::buildBroadcastRequest(text, cap));
}

void CTolvaneDeskDlg::SendLiveMessage()
{
    m_liveText = m_liveEdit->text();
    SendBroadcastText(m_liveText, broadcast::kLiveCap);
    if (m_clearAfterSend->isChecked()) {
        m_liveText.clear();
        m_liveEdit->setText(m_liveText);
    }
}

void CTolvaneDeskDlg::onStartButton()
{
    if (m_selector->currentIndex() < 0) {
        ShowMessageBox(
            this, QStringLiteral("放送するメッセージリストが選択されてませんね・・（；´ー｀）"),
            QStringLiteral("放送できません・・・"));
        return;
    }
    StartBroadcast();
}

void CTolvaneDeskDlg::StartBroadcast()
{
    m_engine.StartBroadcast(m_lines->count());
    m_pacingTimer.start(); // restarts the period when already armed
    postNotification(this, WM_SET_CONTROL_STATE, 2);
}

void CTolvaneDeskDlg::StartListBroadcast(const QString& listName)
{
    const int index = broadcast::FindListByName(listEntries(), listName);
    if (index < 0)
        return;
    m_selector->setCurrentIndex(index);
    LoadSelectedList();
    StartBroadcast();
}

void CTolvaneDeskDlg::StopBroadcast()
{
    // The pacing timer stays armed; its ticks find nothing to send.
    m_engine.StopBroadcast();
    postNotification(this, WM_SET_CONTROL_STATE, 3);
}

void CTolvaneDeskDlg::PacingTick()
{
    const broadcast::BroadcastEngine::Tick tick = m_engine.PacingTick(m_lines->count());
    if (tick.send) {
        // The highlighted line is the one being sent.
        m_lines->setCurrentRow(tick.index);
        SendBroadcastText(m_lines->item(tick.index)->text(), broadcast::kLineCap);
    }
    if (tick.finished) {
        postNotification(this, WM_SET_CONTROL_STATE, 3);
        m_pacingTimer.stop();
    }
}

void CTolvaneDeskDlg::TimeSignalTick()
{
    // One clock reading per tick: every test and text of this tick uses it.
    const QDateTime now = m_options.clock();
    const auto actions = m_scheduler.TimeSignalTick(now, m_timeSignalEnabled->isChecked());
    for (const auto& action : actions) {
        if (action.kind == timesignal::TimeSignalScheduler::Action::SendText)
            SendBroadcastText(action.text, broadcast::kLineCap);
        else
            StartListBroadcast(action.text);
    }
}

QStringList CTolvaneDeskDlg::listEntries() const
{
    QStringList entries;
    entries.reserve(m_selector->count());
    for (int i = 0; i < m_selector->count(); ++i)
        entries.append(m_selector->itemText(i));
    return entries;
}

void CTolvaneDeskDlg::RefreshListNames()
{
    m_selector->clear();
    m_selector->addItems(broadcast::ListNames(m_dataDir));
    m_selector->setCurrentIndex(-1);
}

void CTolvaneDeskDlg::LoadSelectedList()
{
    const QString title = m_selector->currentText();
    m_controls.value(IDC_DELETE_LIST)->setEnabled(true);
    m_controls.value(IDC_EDIT_LIST)->setEnabled(true);
    const auto lines = broadcast::ReadListFile(m_dataDir, title);
    m_lines->clear();
    if (!lines) {
        // The view must not show lines that the selector does not name.
        ShowMessageBox(this,
                       QStringLiteral("メッセージリスト「") + title +
                           QStringLiteral("」を読み込めません・・（；；"),
                       QStringLiteral("読み込めません・・・"));
        return;
    }
    m_lines->addItems(*lines);
    // The live box keeps what the operator typed: reloading a list (also by the
    // scheduler underneath) must not throw away a message not yet sent.
}

void CTolvaneDeskDlg::DeleteSelectedList()
{
    if (ShowMessageBox(this, QStringLiteral("表示されているメッセージリストを削除しますか？"),
                       QStringLiteral("Final Answer?"), QMessageBox::Ok | QMessageBox::Cancel,
                       MsgIcon::Question, QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    if (m_selector->currentIndex() < 0) {
        ShowMessageBox(this, kNoListSelected);
        return;
    }
    // A failed deletion is not reported: the refreshed selector still shows the file.
    broadcast::DeleteListFile(m_dataDir, m_selector->currentText());
    RefreshListNames();
    m_lines->clear();
}

int CTolvaneDeskDlg::selectedSlot() const
{
    return m_slotSpin->pos();
}

void CTolvaneDeskDlg::updateShortcutTooltip(int slot)
{
    m_controls.value(kShortcutIds[slot - 1])->setToolTip(m_shortcuts.boundName(slot));
}

void CTolvaneDeskDlg::PressShortcut(int slot)
{
    if (!m_shortcuts.isBound(slot))
        return;
    const int index = broadcast::FindListByName(listEntries(), m_shortcuts.boundName(slot));
    if (index < 0) {
        const QString caption = QStringLiteral("＞＜；");
        ShowMessageBox(this, QStringLiteral("おかしいな・・・メッセージリストみつかりません・・"),
                       caption, QMessageBox::Ok, MsgIcon::Question);
        // Only in memory: the binding comes back at the next start if the list exists again.
        m_shortcuts.unbindInMemory(slot);
        updateShortcutTooltip(slot);
        ShowMessageBox(this, QStringLiteral("短縮ボタンを解除しました・・・"), caption,
                       QMessageBox::Ok, MsgIcon::Question);
        return;
    }
    m_selector->setCurrentIndex(index);
    LoadSelectedList();
    if (!m_displayOnly->isChecked())
        StartBroadcast();
}

void CTolvaneDeskDlg::BindShortcut()
{
    const int slot = selectedSlot();
    if (m_selector->currentIndex() < 0) {
        ShowMessageBox(this, QStringLiteral("メッセージリストを選択して下さい(^^)"),
                       QStringLiteral("元ネタがありません～！"), QMessageBox::Ok,
                       MsgIcon::Information);
        return;
    }
    const QString text = QStringLiteral("右のメッセージリストを短縮ボタン（") +
                         QString::number(slot) + QStringLiteral("）に割り付けますね！？");
    if (ShowMessageBox(this, text, QStringLiteral("（＾＾）"),
                       QMessageBox::Ok | QMessageBox::Cancel, MsgIcon::Question,
                       QMessageBox::Ok) != QMessageBox::Ok)
        return;
    m_shortcuts.bind(slot, m_selector->currentText(), m_settings);
    updateShortcutTooltip(slot);
}

void CTolvaneDeskDlg::UnbindShortcut()
{
    const int slot = selectedSlot();
    const QString text = QStringLiteral("短縮ボタン（") + QString::number(slot) +
                         QStringLiteral("）の割り付けを解除しますよ！？");
    if (ShowMessageBox(this, text, QStringLiteral("（＾＾；）"),
                       QMessageBox::Ok | QMessageBox::Cancel, MsgIcon::Question,
                       QMessageBox::Ok) != QMessageBox::Ok)
        return;
    m_shortcuts.unbind(slot, m_settings);
    updateShortcutTooltip(slot);
}

void CTolvaneDeskDlg::onNewList()
{
    CMakeMes editor(m_dataDir, QString(), this);
    if (runDialog(editor) == QDialog::Accepted)
        RefreshListNames();
}

void CTolvaneDeskDlg::onEditList()
{
    if (m_selector->currentIndex() < 0) {
        // No dialog opens on a missing title.
        ShowMessageBox(this, kNoListSelected);
        return;
    }
    const QString preset = m_selector->currentText();
    CMakeMes editor(m_dataDir, preset, this);
    if (runDialog(editor) != QDialog::Accepted)
        return;
    RefreshListNames();
    // Selected again, but not reloaded: the view keeps the lines it showed.
    const int index = broadcast::FindListByName(listEntries(), preset);
    if (index >= 0)
        m_selector->setCurrentIndex(index);
}

void CTolvaneDeskDlg::onConfig()
{
    CConfigDlg config(m_settings, this);
    if (runDialog(config) == QDialog::Accepted)
        readServerSettings(); // the address takes effect at the next start, the password at the
                              // next login
}

void CTolvaneDeskDlg::onAccounts()
{
    CVelmiraAccountDlg dialog(m_accounts, this, this);
    runDialog(dialog);
}

void CTolvaneDeskDlg::OpenTimeSignalSettings()
{
    const QString remembered =
        m_selector->currentIndex() >= 0 ? m_selector->currentText() : QString();
    {
        CTimeSignalDlg dialog(
            m_settings, m_dataDir, [this] { return m_options.clock().time(); }, this);
        runDialog(dialog);
    }
    // However the dialog ended: the texts and the schedule are read afresh (every entry's
    // fired flag cleared); the hourly and half-hourly flags stay as they are.
    m_scheduler.setTexts(timesignal::readTimeSignalTexts(m_settings));
    if (const auto contents = timesignal::ReadTimeSignalFile(m_dataDir))
        m_scheduler.setSchedule(timesignal::LoadSchedule(*contents));
    RefreshListNames();
    if (!remembered.isEmpty()) {
        const int index = broadcast::FindListByName(listEntries(), remembered);
        if (index >= 0)
            m_selector->setCurrentIndex(index);
    }
}

void CTolvaneDeskDlg::onClose()
{
    m_clockTimer.stop();
    m_pacingTimer.stop();
    timesignal::writeTimeSignalTextsOnClose(m_settings, m_scheduler.texts());
    accept();
}

} // namespace tolvane::ui
