#include "ui/CTolvaneDeskDlg.h"

#include "ui/CAboutDlg.h"
#include "ui/CConfigDlg.h"
#include "ui/CMakeMes.h"
#include "ui/CTimeSignalDlg.h"
#include "ui/CVelmiraAccountDlg.h"
#include "ui/ControlTable.h"
#include "ui/DialogRunner.h"
#include "ui/MainWindowLayout.h"
#include "ui/ProgramIcon.h"
#include "ui/UpDownControl.h"

#include <QAbstractItemView>
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
#include <QSignalBlocker>
#include <QTimer>

#ifdef Q_OS_WIN
#include <windows.h>
// The version box's item in the system menu.
constexpr UINT kAboutCommand = 16;
#endif

namespace tolvane::ui {

using namespace mainwindow;
using console::ConsoleController;
using console::ControlState;

namespace {
const QString kAboutMenuText = QStringLiteral("バージョン情報 TolvaneDesk(&A)...");
} // namespace

CTolvaneDeskDlg::CTolvaneDeskDlg(console::Console& console, MessageBoxPrompts& prompts,
                                 QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_controller(console.controller())
{
    m_prompts.setParentWidget(this);
    buildLayout();
    connectControls();
    connectController();

    m_slotSpin->setRange(1, broadcast::ShortcutSlots::kSlotCount);
    m_slotSpin->setPos(1);
    m_displayOnly->setChecked(true);
    m_clearAfterSend->setChecked(true);
    m_timeSignalEnabled->setChecked(true);
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
    // A world's window says which world it is, first, so that the task bar shows it.
    if (!m_controller.profile().isEmpty())
        setWindowTitle(m_controller.profile() + QStringLiteral(" - ") + windowTitle());

    m_selector = qobject_cast<QComboBox*>(m_controls.value(IDC_LIST_SELECTOR));
    m_lines = qobject_cast<QListWidget*>(m_controls.value(IDC_LINES));
    m_liveEdit = qobject_cast<QLineEdit*>(m_controls.value(IDC_LIVE_TEXT));
    m_statusEdit = qobject_cast<QLineEdit*>(m_controls.value(IDC_STATUS));
    m_clearAfterSend = qobject_cast<QCheckBox*>(m_controls.value(IDC_CLEAR_AFTER_SEND));
    m_displayOnly = qobject_cast<QCheckBox*>(m_controls.value(IDC_DISPLAY_ONLY));
    m_timeSignalEnabled = qobject_cast<QCheckBox*>(m_controls.value(IDC_TIMESIG_ENABLED));
    m_slotSpin = qobject_cast<UpDownControl*>(m_controls.value(IDC_SLOT_SPIN));

    setWindowIcon(programIcon());
}

void CTolvaneDeskDlg::connectControls()
{
    ConsoleController* c = &m_controller;
    auto onClick = [this](int id, auto&& slot) {
        connect(qobject_cast<QPushButton*>(m_controls.value(id)), &QPushButton::clicked, this,
                std::forward<decltype(slot)>(slot));
    };
    onClick(IDC_NEW_LIST, [this] { openNewListEditor(); });
    onClick(IDC_EDIT_LIST, [this] { openListEditor(); });
    onClick(IDC_DELETE_LIST, [c] { c->DeleteSelectedList(); });
    onClick(IDC_START, [c] { c->startChosenList(); });
    onClick(IDC_STOP, [c] { c->StopBroadcast(); });
    onClick(IDC_LIVE_SEND, [this] { m_controller.SendLiveMessage(m_liveEdit->text()); });
    for (int slot = 1; slot <= broadcast::ShortcutSlots::kSlotCount; ++slot)
        onClick(kShortcutIds[slot - 1], [c, slot] { c->PressShortcut(slot); });
    onClick(IDC_BIND, [this] { m_controller.BindShortcut(m_slotSpin->pos()); });
    onClick(IDC_UNBIND, [this] { m_controller.UnbindShortcut(m_slotSpin->pos()); });
    onClick(IDC_LOGIN, [c] { c->login(); });
    onClick(IDC_ACCOUNTS, [this] { openAccounts(); });
    onClick(IDC_CONFIG, [this] { openConfig(); });
    onClick(IDC_TIMESIG_SETTINGS, [this] { OpenTimeSignalSettings(); });
    onClick(IDOK, [this] { closeConsole(); });

    // Every way of choosing an entry loads it: the mouse, the keyboard, an assistive
    // client that only sets the current entry.
    connect(m_selector, &QComboBox::currentIndexChanged, this,
            &CTolvaneDeskDlg::onSelectorIndexChanged);
    connect(m_selector, &QComboBox::activated, this, &CTolvaneDeskDlg::onSelectorActivated);
    // An assistive client chooses an entry by selecting it in the selector's list,
    // which does not make it the current entry by itself. The mouse and the keys move
    // that selection about too while the list is open; those moves are not choices.
    connect(m_selector->view()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] {
                const QModelIndexList rows = m_selector->view()->selectionModel()->selectedRows();
                if (rows.size() != 1 || m_popupInput)
                    return;
                if (m_selector->view()->isVisible())
                    m_selector->hidePopup();
                m_selector->setCurrentIndex(rows.first().row());
            });
    connect(m_lines, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { m_controller.copyLineToLive(m_lines->row(item)); });
    connect(m_displayOnly, &QCheckBox::toggled, c, &ConsoleController::setDisplayOnly);
    connect(m_clearAfterSend, &QCheckBox::toggled, c, &ConsoleController::setClearAfterSend);
    connect(m_timeSignalEnabled, &QCheckBox::toggled, c, &ConsoleController::setTimeSignalEnabled);
    // Enter and Escape are handled before any control sees them.
    qApp->installEventFilter(this);
}

void CTolvaneDeskDlg::connectController()
{
    ConsoleController* c = &m_controller;
    connect(c, &ConsoleController::controlStateChanged, this,
            &CTolvaneDeskDlg::onControlStateChanged);
    connect(c, &ConsoleController::statusTextChanged, m_statusEdit, &QLineEdit::setText);
    connect(c, &ConsoleController::listNamesChanged, this, &CTolvaneDeskDlg::onListNamesChanged);
    connect(c, &ConsoleController::currentListChanged, this,
            &CTolvaneDeskDlg::onCurrentListChanged);
    connect(c, &ConsoleController::linesChanged, this, &CTolvaneDeskDlg::onLinesChanged);
    connect(c, &ConsoleController::currentLineChanged, m_lines,
            [this](int row) { m_lines->setCurrentRow(row); });
    connect(c, &ConsoleController::liveTextChanged, m_liveEdit, &QLineEdit::setText);
    connect(c, &ConsoleController::listCommandsEnabled, this, [this] {
        m_controls.value(IDC_DELETE_LIST)->setEnabled(true);
        m_controls.value(IDC_EDIT_LIST)->setEnabled(true);
    });
    connect(c, &ConsoleController::shortcutChanged, this, [this](int slot, const QString& name) {
        m_controls.value(kShortcutIds[slot - 1])->setToolTip(name);
    });
}

bool CTolvaneDeskDlg::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == m_selector && (type == QEvent::MouseButtonPress || type == QEvent::KeyPress))
        m_indexJustLoaded = -1; // a new choice starts: picking the same entry reloads it
    if (isPopupInput(watched, type) && !m_popupInput) {
        // Until this event has been handled, a selection in the list is the pointer's
        // or the keyboard's, not a choice.
        m_popupInput = true;
        QTimer::singleShot(0, this, [this] { m_popupInput = false; });
    }
    if (type == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                // Enter sends the live message from whichever control has the focus,
                // also while the send button is disabled, and never closes the window.
                m_controller.SendLiveMessage(m_liveEdit->text());
                return true;
            }
            if (key == Qt::Key_Escape)
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool CTolvaneDeskDlg::isPopupInput(QObject* watched, QEvent::Type type) const
{
    switch (type) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::Wheel:
    case QEvent::HoverMove:
        break;
    default:
        return false;
    }
    const auto* widget = qobject_cast<QWidget*>(watched);
    const QWidget* popup = m_selector->view()->window();
    return widget && popup != this && (widget == popup || popup->isAncestorOf(widget));
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

void CTolvaneDeskDlg::onControlStateChanged(ControlState state)
{
    const console::ControlStateRule& rule = console::controlStateRule(state);
    for (const console::Control c : rule.enabled)
        m_controls.value(controlId(c))->setEnabled(true);
    for (const console::Control c : rule.disabled)
        m_controls.value(controlId(c))->setEnabled(false);
    if (state == ControlState::LoggedOut) {
        for (const auto& [id, tip] : tooltips())
            m_controls.value(id)->setToolTip(tip);
    }
}

void CTolvaneDeskDlg::onListNamesChanged(const QStringList& names)
{
    const QSignalBlocker blocker(m_selector);
    m_selector->clear();
    m_selector->addItems(names);
    m_selector->setCurrentIndex(-1);
}

void CTolvaneDeskDlg::onCurrentListChanged(int index)
{
    const QSignalBlocker blocker(m_selector);
    m_selector->setCurrentIndex(index);
}

void CTolvaneDeskDlg::onLinesChanged(const QStringList& lines)
{
    m_lines->clear();
    m_lines->addItems(lines);
}

void CTolvaneDeskDlg::onSelectorIndexChanged(int index)
{
    if (index < 0)
        return;
    m_indexJustLoaded = index;
    m_controller.selectList(index);
}

void CTolvaneDeskDlg::onSelectorActivated(int index)
{
    // A pick that changed the entry was loaded when it changed; picking the entry
    // already chosen loads it again.
    const bool alreadyLoaded = index == m_indexJustLoaded;
    m_indexJustLoaded = -1;
    if (!alreadyLoaded)
        m_controller.selectList(index);
}

void CTolvaneDeskDlg::openNewListEditor()
{
    // A saved list reaches the selector through the list service.
    CMakeMes editor(m_controller.lists(), QString(), this);
    runDialog(editor);
}

void CTolvaneDeskDlg::openListEditor()
{
    const QString preset = m_controller.currentListName();
    if (preset.isEmpty()) {
        // No dialog opens on a missing title.
        m_prompts.inform(console::OperatorPrompts::Notice::NoListSelected);
        return;
    }
    CMakeMes editor(m_controller.lists(), preset, this);
    runDialog(editor);
}

void CTolvaneDeskDlg::openConfig()
{
    // The address takes effect at the next start, the password at the next login.
    CConfigDlg config(m_controller.serverSettings(), this);
    runDialog(config);
}

void CTolvaneDeskDlg::openAccounts()
{
    CVelmiraAccountDlg dialog(m_controller.accountService(), this);
    runDialog(dialog);
}

void CTolvaneDeskDlg::OpenTimeSignalSettings()
{
    const QString remembered = m_controller.currentListName();
    {
        CTimeSignalDlg dialog(
            m_controller.schedule(), m_controller.lists(),
            [this] { return m_controller.timeSource().now().time(); }, this);
        runDialog(dialog);
    }
    // What the dialog saved reached the scheduler as it was saved. A scheduled list
    // may have been chosen underneath it: the list chosen before is chosen again (not
    // reloaded).
    m_controller.reselectList(remembered);
}

void CTolvaneDeskDlg::closeConsole()
{
    m_controller.shutDown();
    accept();
}

} // namespace tolvane::ui
