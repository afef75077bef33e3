#include "BoxRecorder.h"
#include "DeskFixture.h"
#include "FileBytes.h"

#include "console/LinkState.h"
#include "settings/IniSettings.h"
#include "ui/CConfigDlg.h"
#include "ui/CMakeMes.h"
#include "ui/ControlTable.h"
#include "ui/DialogRunner.h"
#include "ui/MainWindowLayout.h"
#include "ui/UpDownControl.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <iterator>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace tolvane;
using namespace tolvane::ui;
using namespace tolvane::ui::mainwindow;
using namespace Qt::StringLiterals;
using testsupport::BoxRecorder;
using testsupport::DeskFixture;
using testsupport::FakeServer;
using testsupport::ManualTimeSource;

namespace {

// The controls each state names, written out here rather than taken from the
// window's own table, so that a control dropped from it is noticed.
struct StateRule
{
    QList<int> enabled;
    QList<int> disabled;
};
const QList<int> kBroadcastControls = {IDC_START,     IDC_LINES,     IDC_BIND,      IDC_UNBIND,
                                       IDC_ACCOUNTS,  IDC_SHORTCUT1, IDC_SHORTCUT2, IDC_SHORTCUT3,
                                       IDC_SHORTCUT4, IDC_SHORTCUT5, IDC_SHORTCUT6};
const StateRule kLoggedOut = {{IDC_LOGIN},
                              {IDC_BIND, IDC_UNBIND, IDC_ACCOUNTS, IDC_SHORTCUT1, IDC_SHORTCUT2,
                               IDC_SHORTCUT3, IDC_SHORTCUT4, IDC_SHORTCUT5, IDC_SHORTCUT6,
                               IDC_LIVE_SEND, IDC_LINES, IDC_START, IDC_STOP, IDC_DELETE_LIST,
                               IDC_EDIT_LIST}};
const StateRule kLoggedIn = {{IDC_BIND, IDC_UNBIND, IDC_ACCOUNTS, IDC_SHORTCUT1, IDC_SHORTCUT2,
                              IDC_SHORTCUT3, IDC_SHORTCUT4, IDC_SHORTCUT5, IDC_SHORTCUT6,
                              IDC_LIVE_SEND, IDC_LINES, IDC_START},
                             {IDC_LOGIN, IDC_STOP}};
const StateRule kBroadcasting = {{IDC_STOP}, kBroadcastControls};
const StateRule kBroadcastOver = {kBroadcastControls, {IDC_STOP}};
// The link is down: what sends is off; "放送中止！" only while a broadcast waits.
const QList<int> kSenders = kBroadcastControls + QList<int>{IDC_LIVE_SEND};
const StateRule kLinkLost = {{IDC_LOGIN}, kSenders + QList<int>{IDC_STOP}};
const StateRule kLinkLostPaused = {{IDC_LOGIN, IDC_STOP}, kSenders};
const StateRule kRules[] = {kLoggedOut,     kLoggedIn, kBroadcasting,
                            kBroadcastOver, kLinkLost, kLinkLostPaused};
// Never touched by a state.
const QList<int> kAlwaysEnabled = {IDC_LIST_SELECTOR,
                                   IDC_NEW_LIST,
                                   IDC_LIVE_TEXT,
                                   IDC_STATUS,
                                   IDC_CONFIG,
                                   IDC_SLOT_SPIN,
                                   IDC_DISPLAY_ONLY,
                                   IDC_CLEAR_AFTER_SEND,
                                   IDC_TIMESIG_ENABLED,
                                   IDC_TIMESIG_SETTINGS,
                                   IDOK};

// Every control the window has, as the rules above name them.
QList<int> allControls()
{
    QList<int> ids = kAlwaysEnabled;
    for (const StateRule& rule : kRules) {
        for (int id : rule.enabled + rule.disabled) {
            if (!ids.contains(id))
                ids.append(id);
        }
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace

// The main window as the operator meets it: controls, keys, boxes and dialogs. The
// console's glue behind it is tested in TestConsoleController.
class TestCTolvaneDeskDlg : public QObject
{
    Q_OBJECT

    std::unique_ptr<DeskFixture> m_desk;

    void checkState(const StateRule& rule, const char* name)
    {
        for (int id : rule.enabled)
            QVERIFY2(m_desk->window->controlWidget(id)->isEnabled(),
                     qPrintable(u"%1: %2 should be enabled"_s.arg(QLatin1String(name)).arg(id)));
        for (int id : rule.disabled)
            QVERIFY2(!m_desk->window->controlWidget(id)->isEnabled(),
                     qPrintable(u"%1: %2 should be disabled"_s.arg(QLatin1String(name)).arg(id)));
        for (int id : kAlwaysEnabled)
            QVERIFY2(m_desk->window->controlWidget(id)->isEnabled(),
                     qPrintable(u"%1: %2 should stay enabled"_s.arg(QLatin1String(name)).arg(id)));
    }

    // Logs in with a click on "ログイン", as the operator does.
    bool logIn(FakeServer& server)
    {
        if (!m_desk->connectedTo(server))
            return false;
        QTest::mouseClick(m_desk->control(IDC_LOGIN), Qt::LeftButton);
        return m_desk->acceptLogin(server);
    }

    void choose(const QString& list)
    {
        auto* selector = m_desk->control<QComboBox>(IDC_LIST_SELECTOR);
        selector->setCurrentIndex(selector->findText(list));
        QVERIFY(selector->currentIndex() >= 0);
    }

private Q_SLOTS:
    void init() { m_desk = std::make_unique<DeskFixture>(); }
    void cleanup()
    {
        setDialogRunner({});
        m_desk.reset();
    }

    void firstStartShowsItsBoxesAndTheSample()
    {
        BoxRecorder boxes;
        boxes.expect(QMessageBox::Ok, 3);
        FakeServer server;
        m_desk->open(server.port());
        QCOMPARE(boxes.texts(), (QStringList{u"データディレクトリを作らせて頂きました♪"_s,
                                             u"サンプルメッセージリストを生成しました"_s,
                                             u"時報設定ファイルを生成しました（隠し属性）"_s}));
        auto* selector = m_desk->control<QComboBox>(IDC_LIST_SELECTOR);
        QCOMPARE(selector->count(), 1);
        QCOMPARE(selector->itemText(0), u"試験放送♪"_s);
        QCOMPARE(selector->currentIndex(), -1);
        QVERIFY(!QFile::exists(m_desk->ini)); // a start writes no settings
    }

    // Each state sets every control it names and leaves every other one as it finds
    // it: tried from all controls on and from all off, so that none passes by
    // keeping the state it had.
    void controlStatesControlByControl_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("before");
        for (int state = 0; state < int(std::size(kRules)); ++state) {
            QTest::addRow("%d from all on", state) << state << true;
            QTest::addRow("%d from all off", state) << state << false;
        }
    }
    void controlStatesControlByControl()
    {
        QFETCH(int, state);
        QFETCH(bool, before);
        m_desk->makeDataDirectory();
        BoxRecorder boxes;
        FakeServer server;
        m_desk->open(server.port());
        m_desk->time.advance(0);
        QList<int> inWindow;
        for (const ControlSpec& spec : controls()) {
            if (spec.id != kNoId)
                inWindow.append(spec.id);
        }
        std::sort(inWindow.begin(), inWindow.end());
        QCOMPARE(inWindow, allControls());

        for (int id : inWindow)
            m_desk->control(id)->setEnabled(before);
        Q_EMIT m_desk->window->controller().controlStateChanged(console::ControlState(state));
        ManualTimeSource::deliverPostedEvents();
        const StateRule& rule = kRules[state];
        for (int id : inWindow) {
            const bool expected =
                rule.enabled.contains(id) || (!rule.disabled.contains(id) && before);
            QVERIFY2(m_desk->control(id)->isEnabled() == expected,
                     qPrintable(u"control %1 should be %2"_s.arg(id).arg(
                         expected ? u"enabled"_s : u"disabled"_s)));
        }
    }

    // The states the session goes through, as the operator meets them.
    void controlStatesFollowTheSession()
    {
        m_desk->makeDataDirectory({{u"two"_s, {u"a"_s, u"b"_s}}});
        BoxRecorder boxes;
        FakeServer server;
        m_desk->open(server.port());
        m_desk->time.advance(0);
        checkState(kLoggedOut, "logged out");
        QTRY_COMPARE(m_desk->control<QLineEdit>(IDC_STATUS)->text(), u"ログインしていません・・"_s);
        for (int id : {IDC_DISPLAY_ONLY, IDC_CLEAR_AFTER_SEND, IDC_TIMESIG_ENABLED})
            QVERIFY(m_desk->control<QCheckBox>(id)->isChecked());
        // Choosing a list enables delete and edit; no state takes them back.
        choose(u"two"_s);
        QVERIFY(m_desk->control(IDC_DELETE_LIST)->isEnabled());
        QVERIFY(m_desk->control(IDC_EDIT_LIST)->isEnabled());
        QVERIFY(logIn(server));
        checkState(kLoggedIn, "logged in");
        QTest::mouseClick(m_desk->control(IDC_START), Qt::LeftButton);
        m_desk->time.advance(0);
        checkState(kBroadcasting, "broadcasting");
        QTest::mouseClick(m_desk->control(IDC_STOP), Qt::LeftButton);
        m_desk->time.advance(0);
        checkState(kBroadcastOver, "broadcast over");
        QVERIFY(m_desk->control(IDC_DELETE_LIST)->isEnabled());
    }

    void controlStatesWhileTheLinkIsDown()
    {
        m_desk->makeDataDirectory({{u"two"_s, {u"a"_s, u"b"_s}}});
        BoxRecorder boxes;
        FakeServer server;
        m_desk->open(server.port());
        QVERIFY(logIn(server));
        choose(u"two"_s);
        QTest::mouseClick(m_desk->control(IDC_START), Qt::LeftButton);
        server.stopListening(); // attempts to come back are refused: the link stays lost
        server.closeOrderly();
        // The close is normally seen at once. Where the system misses it now and then
        // (Wine), the next player count finds the link dead.
        const auto linkState = [this] { return m_desk->window->controller().linkState(); };
        if (!QTest::qWaitFor([&] { return linkState() != console::LinkState::LoggedIn; }, 2000))
            m_desk->time.advance(console::LinkSupervisor::kPollTimerMs);
        QTRY_COMPARE(linkState(), console::LinkState::Lost);
        ManualTimeSource::deliverPostedEvents();
        checkState(kLinkLostPaused, "lost while broadcasting");
        QCOMPARE(m_desk->status(), u"切断・再接続中・・"_s);
        QTest::mouseClick(m_desk->control(IDC_STOP), Qt::LeftButton);
        ManualTimeSource::deliverPostedEvents();
        checkState(kLinkLost, "lost");
    }

    void tooltipsOfTheLoggedOutState_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("tip");
        QTest::newRow("1003") << int(IDC_LOGIN) << u"LOGIN complete!"_s;
        QTest::newRow("1010") << int(IDC_LIVE_SEND) << u"ただちに送信します♪"_s;
        QTest::newRow("1034") << int(IDC_STOP) << u"放送を中止します♪"_s;
        QTest::newRow("1032") << int(IDC_START) << u"放送を始めます♪"_s;
        QTest::newRow("1001") << int(IDC_NEW_LIST) << u"メッセージリストを新しく作成します♪"_s;
        QTest::newRow("1002") << int(IDC_DELETE_LIST)
                              << u"選択されたメッセージリストを削除します♪"_s;
        QTest::newRow("1035") << int(IDC_CONFIG) << u"鯖接続の為の設定です"_s;
        QTest::newRow("1041") << int(IDC_BIND) << u"短縮ボタンで楽チン♪"_s;
        QTest::newRow("1044") << int(IDC_UNBIND) << u"やっぱやめ～"_s;
        QTest::newRow("1040") << int(IDC_SLOT_SPIN) << u"短縮ボタンを選びます"_s;
        QTest::newRow("1000") << int(IDC_LIST_SELECTOR) << u"メッセージを選んで下さい♪"_s;
        QTest::newRow("1050") << int(IDC_ACCOUNTS) << u"アカウント操作処理！"_s;
        QTest::newRow("1093") << int(IDC_EDIT_LIST) << u"選択されたメッセージリストを編集します♪"_s;
        QTest::newRow("1052") << int(IDC_TIMESIG_SETTINGS) << u"予約放送の設定"_s;
    }
    void tooltipsOfTheLoggedOutState()
    {
        QFETCH(int, id);
        QFETCH(QString, tip);
        m_desk->makeDataDirectory();
        FakeServer server;
        m_desk->open(server.port());
        m_desk->time.advance(0);
        QCOMPARE(m_desk->control(id)->toolTip(), tip);
    }

    void enterSendsTheLiveMessageAndEscapeIsSwallowed()
    {
        m_desk->makeDataDirectory();
        BoxRecorder boxes;
        FakeServer server;
        CTolvaneDeskDlg& w = m_desk->open(server.port());
        QVERIFY(m_desk->connectedTo(server));
        m_desk->time.advance(0);
        auto* live = m_desk->control<QLineEdit>(IDC_LIVE_TEXT);
        live->setText(u"こんにちは"_s);
        QVERIFY(!m_desk->control(IDC_LIVE_SEND)->isEnabled()); // before any login
        QTest::keyClick(live, Qt::Key_Return);
        QTRY_COMPARE(server.received.frames().size(), 1);
        QCOMPARE(server.received.frames().at(0).toHex(),
                 QByteArray("0e000000eb2e0c00533093306b3061306f300000"));
        QCOMPARE(live->text(), QString());
        QTest::keyClick(m_desk->control(IDC_LIST_SELECTOR), Qt::Key_Escape);
        QVERIFY(w.isVisible());
        // With 1049 unticked the box keeps its text; Enter on the default button sends too.
        QTest::mouseClick(m_desk->control(IDC_CLEAR_AFTER_SEND), Qt::LeftButton);
        live->setText(u"x"_s);
        QTest::keyClick(m_desk->control(IDOK), Qt::Key_Return);
        QTRY_COMPARE(server.received.frames().size(), 2);
        QCOMPARE(live->text(), u"x"_s);
        QVERIFY(w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Rejected));
    }

    void theLineBeingSentIsHighlighted()
    {
        m_desk->makeDataDirectory({{u"three"_s, {u"a"_s, u"b"_s, u"c"_s}}});
        BoxRecorder boxes;
        FakeServer server;
        m_desk->open(server.port());
        QVERIFY(logIn(server));
        choose(u"three"_s);
        auto* lines = m_desk->control<QListWidget>(IDC_LINES);
        QCOMPARE(lines->count(), 3);
        QTest::mouseClick(m_desk->control(IDC_START), Qt::LeftButton);
        m_desk->time.advance(1500);
        QCOMPARE(lines->currentRow(), 0);
        m_desk->time.advance(3000);
        QCOMPARE(lines->currentRow(), 2);
        QTRY_COMPARE(server.received.framesWithCommand(12011).size(), 3);
        QVERIFY(m_desk->control(IDC_START)->isEnabled());
        // A double-click copies a line into the live box; nothing is sent.
        Q_EMIT lines->itemDoubleClicked(lines->item(1));
        QCOMPARE(m_desk->control<QLineEdit>(IDC_LIVE_TEXT)->text(), u"b"_s);
    }

    // The selector loads a list however it is chosen: the mouse, the keyboard, or an
    // assistive client that only sets the current entry; picking the entry already
    // chosen loads it again, once.
    void everyWayOfChoosingLoadsTheList()
    {
        m_desk->makeDataDirectory({{u"one"_s, {u"1"_s}}, {u"two"_s, {u"2"_s, u"2"_s}}});
        BoxRecorder boxes;
        FakeServer server;
        m_desk->open(server.port());
        auto* selector = m_desk->control<QComboBox>(IDC_LIST_SELECTOR);
        auto* lines = m_desk->control<QListWidget>(IDC_LINES);
        const int two = selector->findText(u"two"_s);
        selector->setCurrentIndex(two);
        QCOMPARE(lines->count(), 2);
        QVERIFY(broadcast::WriteListFile(m_desk->dataDir(), u"two"_s, {u"x"_s}).ok());
        // Opened with the mouse and picked again from its list.
        QTest::mouseClick(selector, Qt::LeftButton);
        QAbstractItemView* popup = selector->view();
        QTRY_VERIFY(popup->isVisible());
        QTest::keyClick(popup, Qt::Key_Return);
        QCOMPARE(lines->count(), 1);
        // An assistive client selects an entry in the selector's list, in a later turn
        // of the event loop than the keys.
        QCoreApplication::processEvents();
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(selector)->child(0);
        QVERIFY(list && list->tableInterface());
        QVERIFY(list->tableInterface()->selectRow(1 - two));
        QCOMPARE(selector->currentText(), u"one"_s);
        QCOMPARE(lines->item(0)->text(), u"1"_s);
        // Or opens the list with its Press action and toggles an entry.
        selector->setCurrentIndex(two);
        QAccessibleInterface* combo = QAccessible::queryAccessibleInterface(selector);
        combo->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(selector->view()->isVisible());
        QCoreApplication::processEvents();
        list->child(1 - two)->actionInterface()->doAction(
            QAccessibleActionInterface::toggleAction());
        QCOMPARE(selector->currentText(), u"one"_s);
        QVERIFY(!selector->view()->isVisible());
        selector->setCurrentIndex(two);
        // The pointer passing over an entry of the open list chooses nothing.
        QTest::mouseClick(selector, Qt::LeftButton);
        QTRY_VERIFY(popup->isVisible());
        const QPoint over = popup->visualRect(popup->model()->index(1 - two, 0)).center();
        QMouseEvent move(QEvent::MouseMove, over, popup->viewport()->mapToGlobal(over),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(popup->viewport(), &move);
        QCOMPARE(popup->currentIndex().row(), 1 - two);
        QCOMPARE(selector->currentIndex(), two);
        selector->hidePopup();
        // The keyboard: the next entry, loaded once even when it cannot be read.
        QVERIFY(QFile::remove(m_desk->dataDir().filePath(selector->itemText(1 - two))));
        boxes.expect();
        selector->setFocus();
        QTest::keyClick(selector, two == 0 ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(selector->currentIndex(), 1 - two);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(lines->count(), 0);
    }

    void closingWithOwariWritesTheSixKeysInOrder()
    {
        m_desk->makeDataDirectory();
        BoxRecorder boxes;
        FakeServer server;
        CTolvaneDeskDlg& w = m_desk->open(server.port());
        QTest::mouseClick(m_desk->control(IDOK), Qt::LeftButton);
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QFile f(m_desk->ini);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QStringList keys;
        for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n')) {
            if (line.contains(u'='))
                keys.append(line.section(u'=', 0, 0).trimmed());
        }
        QCOMPARE(keys, (QStringList{u"00H"_s, u"30H"_s, u"00"_s, u"30"_s, u"00F"_s, u"30F"_s}));
    }

    void closeBoxWritesNothing()
    {
        m_desk->makeDataDirectory();
        BoxRecorder boxes;
        FakeServer server;
        CTolvaneDeskDlg& w = m_desk->open(server.port());
        w.close();
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(m_desk->ini));
    }

    void shortcutButtonsCarryTheirListAsTooltip()
    {
        m_desk->makeDataDirectory({{u"abc"_s, {u"x"_s}}, {u"abcd"_s, {u"y"_s}}});
        QVERIFY(settings::IniSettings(m_desk->ini).write(u"SCBn"_s, u"Btn1"_s, u"abc"_s));
        BoxRecorder boxes;
        FakeServer server;
        m_desk->open(server.port());
        QVERIFY(logIn(server));
        QCOMPARE(m_desk->control(IDC_SHORTCUT1)->toolTip(), u"abc"_s);
        // The up-down names the slot that "登録" binds.
        choose(u"abcd"_s);
        auto* spin = m_desk->control<UpDownControl>(IDC_SLOT_SPIN);
        // Its arrows are named for a screen reader; its buddy is the number beside it.
        QCOMPARE(spin->findChild<QWidget*>(u"up"_s)->accessibleName(), u"上へ"_s);
        QCOMPARE(spin->findChild<QWidget*>(u"down"_s)->accessibleName(), u"下へ"_s);
        QCOMPARE(qobject_cast<QLabel*>(spin->buddy())->text(), u"1"_s);
        for (int i = 0; i < 2; ++i)
            QTest::mouseClick(spin->findChild<QWidget*>(u"up"_s), Qt::LeftButton);
        QCOMPARE(qobject_cast<QLabel*>(spin->buddy())->text(), u"3"_s);
        boxes.expect();
        QTest::mouseClick(m_desk->control(IDC_BIND), Qt::LeftButton);
        QCOMPARE(boxes.boxes.last().text,
                 u"右のメッセージリストを短縮ボタン（3）に割り付けますね！？"_s);
        QCOMPARE(m_desk->control(IDC_SHORTCUT3)->toolTip(), u"abcd"_s);
        // A press with "表示のみ" ticked loads the list and sends nothing.
        choose(u"abc"_s);
        QTest::mouseClick(m_desk->control(IDC_SHORTCUT3), Qt::LeftButton);
        QCOMPARE(m_desk->control<QComboBox>(IDC_LIST_SELECTOR)->currentText(), u"abcd"_s);
        QCOMPARE(m_desk->control<QListWidget>(IDC_LINES)->item(0)->text(), u"y"_s);
        QVERIFY(!m_desk->window->controller().status().broadcast);
    }

    // A list saved by the editor or copied in by hand joins the selector; the list
    // chosen stays chosen, and goes only with its file.
    void theChosenListStaysChosenWhenListsComeAndGo()
    {
        m_desk->makeDataDirectory({{u"one"_s, {u"1"_s}}});
        BoxRecorder boxes;
        FakeServer server;
        m_desk->open(server.port());
        auto* selector = m_desk->control<QComboBox>(IDC_LIST_SELECTOR);
        choose(u"one"_s);
        setDialogRunner([](QDialog& dialog) {
            control<QLineEdit>(&dialog, CMakeMes::IdTitle)->setText(u"two"_s);
            control<QLineEdit>(&dialog, CMakeMes::IdMessage)->setText(u"2"_s);
            QTest::mouseClick(control<QPushButton>(&dialog, CMakeMes::IdAdd), Qt::LeftButton);
            QTest::mouseClick(control<QPushButton>(&dialog, 1), Qt::LeftButton);
            return dialog.result();
        });
        QTest::mouseClick(m_desk->control(IDC_NEW_LIST), Qt::LeftButton);
        QCOMPARE(selector->count(), 2);
        QCOMPARE(selector->currentText(), u"one"_s);
        QVERIFY(testsupport::writeBytes(m_desk->dataDir().filePath(u"three"_s), "0\r\n"));
        QTRY_COMPARE(selector->count(), 3);
        QCOMPARE(selector->currentText(), u"one"_s);
        QVERIFY(QFile::remove(m_desk->dataDir().filePath(u"one"_s)));
        QTRY_COMPARE(selector->count(), 2);
        QCOMPARE(selector->currentIndex(), -1);
        QCOMPARE(m_desk->control<QListWidget>(IDC_LINES)->item(0)->text(), u"1"_s);
    }

    void editWithoutSelectionOpensNothing()
    {
        m_desk->makeDataDirectory({{u"one"_s, {u"1"_s}}});
        BoxRecorder boxes;
        FakeServer server;
        m_desk->open(server.port());
        int opened = 0;
        setDialogRunner([&](QDialog&) {
            ++opened;
            return int(QDialog::Rejected);
        });
        choose(u"one"_s);                                     // enables the button
        m_desk->window->controller().reselectList(QString()); // and nothing is chosen now
        boxes.expect();
        QTest::mouseClick(m_desk->control(IDC_EDIT_LIST), Qt::LeftButton);
        QCOMPARE(opened, 0);
        QCOMPARE(boxes.texts(),
                 QStringList{u"メッセージリストが選択されていません・・（；´ー｀）"_s});
    }

    void newPasswordIsCarriedByTheNextLogin()
    {
        m_desk->makeDataDirectory();
        BoxRecorder boxes;
        FakeServer server;
        m_desk->open(server.port());
        QVERIFY(m_desk->connectedTo(server));
        m_desk->time.advance(0);
        setDialogRunner([&](QDialog& dialog) {
            control<QLineEdit>(&dialog, CConfigDlg::IdAdminPW)->setText(u"ab"_s);
            boxes.expect(); // the confirmation
            QTest::mouseClick(control<QPushButton>(&dialog, 1), Qt::LeftButton);
            return dialog.result();
        });
        QTest::mouseClick(m_desk->control(IDC_CONFIG), Qt::LeftButton);
        QTest::mouseClick(m_desk->control(IDC_LOGIN), Qt::LeftButton);
        QTRY_COMPARE(server.received.frames().size(), 1);
        QCOMPARE(server.received.frames().at(0).toHex(),
                 QByteArray("090000001127060061006200000000"));

        // Changed by hand in the file: taken for the next login, which the window
        // leaves to the operator, also after a refusal.
        server.reply(QByteArray::fromHex("040000001227"
                                         "00000000"));
        QTRY_COMPARE(m_desk->status(), u"ログインを拒否されました"_s);
        QVERIFY(settings::IniSettings(m_desk->ini).write(u"Velmira"_s, u"AdminPW"_s, u"cd"_s));
        QTRY_VERIFY(
            m_desk->logLines().contains(u"外部変更 管理者パスワード（次のログインから）"_s));
        QVERIFY(!m_desk->logLines().contains(u"ログイン 新しい管理者パスワードで再試行"_s));
        QCOMPARE(server.received.frames().size(), 1);
        QTest::mouseClick(m_desk->control(IDC_LOGIN), Qt::LeftButton);
        QTRY_COMPARE(server.received.frames().size(), 2);
        QCOMPARE(server.received.frames().at(1).toHex(),
                 QByteArray("090000001127060063006400000000"));
    }

    void systemMenuVersionItemOpensTheAboutBox()
    {
#ifdef Q_OS_WIN
        m_desk->makeDataDirectory();
        BoxRecorder boxes;
        FakeServer server;
        m_desk->open(server.port());
        QStringList opened;
        setDialogRunner([&](QDialog& dialog) {
            opened.append(dialog.windowTitle());
            return int(QDialog::Accepted);
        });
        // QWidget::nativeEvent is protected; the window overrides it.
        struct NativeEventAccess : QWidget
        {
            using QWidget::nativeEvent;
        };
        const auto nativeEvent = &NativeEventAccess::nativeEvent;
        // What Windows sends for a system-menu item; it keeps the low four bits.
        MSG msg{};
        msg.hwnd = reinterpret_cast<HWND>(m_desk->window->winId());
        msg.message = WM_SYSCOMMAND;
        qintptr result = -1;
        msg.wParam = SC_MINIMIZE;
        QVERIFY(!(m_desk->window.get()->*nativeEvent)("windows_generic_MSG", &msg, &result));
        QVERIFY(opened.isEmpty());
        msg.wParam = 0x0010 | 0x3;
        QVERIFY((m_desk->window.get()->*nativeEvent)("windows_generic_MSG", &msg, &result));
        QCOMPARE(result, 0);
        QCOMPARE(opened, QStringList{u"バージョン情報 TolvaneDesk"_s});
#else
        QSKIP("the system menu is Windows'; elsewhere the context menu carries the item");
#endif
    }
};

QTEST_MAIN(TestCTolvaneDeskDlg)
#include "TestCTolvaneDeskDlg.moc"
