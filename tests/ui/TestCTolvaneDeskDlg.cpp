#include "TestSupport.h"

#include "app/IniSettings.h"
#include "broadcast/MessageListStore.h"
#include "net/Notifications.h"
#include "timesignal/TimeSignalFile.h"
#include "ui/CTolvaneDeskDlg.h"
#include "ui/DialogRunner.h"
#include "ui/MainWindowLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;
using namespace tolvane::ui;
using namespace tolvane::ui::mainwindow;
using testsupport::BoxRecorder;
using testsupport::RecordingPeer;

namespace {
const QString kPrep = QStringLiteral("トルヴェイン準備委員会(^^)");

QByteArray hexFrame(const char* hex)
{
    return QByteArray::fromHex(hex);
}
} // namespace

class TestCTolvaneDeskDlg : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_program;
    QString m_ini;

    std::unique_ptr<CTolvaneDeskDlg> makeWindow(quint16 port, bool autoLogin = false,
                                                std::function<QDateTime()> clock = {})
    {
        DeskOptions o;
        o.clock = std::move(clock);
        o.settingsPath = m_ini;
        o.programDirectory = m_program;
        o.autoLogin = autoLogin;
        o.port = port;
        auto w = std::make_unique<CTolvaneDeskDlg>(o);
        w->show();
        return w;
    }

    QDir dataDir() const { return QDir(m_program + QStringLiteral("/TolvaneData")); }

    template <typename T> static T* ctl(CTolvaneDeskDlg& w, int id)
    {
        return qobject_cast<T*>(w.controlWidget(id));
    }

    static void selectList(CTolvaneDeskDlg& w, const QString& name)
    {
        auto* combo = ctl<QComboBox>(w, IDC_LIST_SELECTOR);
        combo->setCurrentIndex(combo->findText(name));
        QVERIFY(combo->currentIndex() >= 0);
        w.LoadSelectedList();
    }

    static void loginVia(RecordingPeer& peer, CTolvaneDeskDlg& w)
    {
        QTRY_VERIFY(peer.connected());
        w.Login();
        QTRY_COMPARE(peer.framesWithCommand(10001).size(), 1);
        peer.reply(hexFrame("040000001227"
                            "01000000"));
        QTRY_VERIFY(w.session().loginAccepted());
    }

private Q_SLOTS:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_program = m_tmp->filePath(QStringLiteral("program"));
        QDir().mkpath(m_program);
        m_ini = m_tmp->filePath(QStringLiteral("Tolvane.ini"));
    }
    void cleanup()
    {
        setDialogRunner({});
        m_tmp.reset();
    }

    void firstStartShowsBoxesInOrderAndTheSampleList()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        QCOMPARE(boxes.texts(),
                 (QStringList{QStringLiteral("データディレクトリを作らせて頂きました♪"),
                              QStringLiteral("サンプルメッセージリストを生成しました"),
                              QStringLiteral("時報設定ファイルを生成しました（隠し属性）")}));
        for (const auto& b : boxes.boxes)
            QCOMPARE(b.caption, kPrep);
        auto* combo = ctl<QComboBox>(*w, IDC_LIST_SELECTOR);
        QCOMPARE(combo->count(), 1);
        QCOMPARE(combo->itemText(0), QStringLiteral("試験放送♪"));
        QCOMPARE(combo->currentIndex(), -1);
        QVERIFY(dataDir().exists(QStringLiteral("TimeSignal.cfg")));
        // Nothing is written to the settings file by a start.
        QVERIFY(!QFile::exists(m_ini));
    }

    void existingDataDirectoryShowsNothing()
    {
        QVERIFY(QDir().mkpath(dataDir().path()));
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        QVERIFY(boxes.boxes.isEmpty());
        QCOMPARE(ctl<QComboBox>(*w, IDC_LIST_SELECTOR)->count(), 0);
    }

    void loggedOutStateAndTooltips()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        QTRY_COMPARE(w->controlWidget(IDC_LOGIN)->toolTip(), QStringLiteral("LOGIN complete!"));
        const QList<int> enabled = {IDC_LOGIN,        IDC_LIST_SELECTOR,    IDC_NEW_LIST,
                                    IDC_CONFIG,       IDC_TIMESIG_SETTINGS, IDC_SLOT_SPIN,
                                    IDC_DISPLAY_ONLY, IDC_CLEAR_AFTER_SEND, IDC_TIMESIG_ENABLED,
                                    IDC_LIVE_TEXT,    IDC_STATUS,           IDOK};
        for (int id : enabled)
            QVERIFY2(w->controlWidget(id)->isEnabled(), qPrintable(QString::number(id)));
        const QList<int> disabled = {IDC_BIND,      IDC_UNBIND,      IDC_ACCOUNTS,  IDC_SHORTCUT1,
                                     IDC_SHORTCUT2, IDC_SHORTCUT3,   IDC_SHORTCUT4, IDC_SHORTCUT5,
                                     IDC_SHORTCUT6, IDC_LIVE_SEND,   IDC_LINES,     IDC_START,
                                     IDC_STOP,      IDC_DELETE_LIST, IDC_EDIT_LIST};
        for (int id : disabled)
            QVERIFY2(!w->controlWidget(id)->isEnabled(), qPrintable(QString::number(id)));
        QCOMPARE(w->controlWidget(IDC_TIMESIG_SETTINGS)->toolTip(),
                 QStringLiteral("予約放送の設定"));
        QCOMPARE(ctl<QLineEdit>(*w, IDC_STATUS)->text(),
                 QStringLiteral("ログインしていません・・"));
        QVERIFY(ctl<QCheckBox>(*w, IDC_DISPLAY_ONLY)->isChecked());
        QVERIFY(ctl<QCheckBox>(*w, IDC_CLEAR_AFTER_SEND)->isChecked());
        QVERIFY(ctl<QCheckBox>(*w, IDC_TIMESIG_ENABLED)->isChecked());
        // Choosing a list enables delete and edit.
        selectList(*w, QStringLiteral("試験放送♪"));
        QVERIFY(w->controlWidget(IDC_DELETE_LIST)->isEnabled());
        QVERIFY(w->controlWidget(IDC_EDIT_LIST)->isEnabled());
        QCOMPARE(ctl<QListWidget>(*w, IDC_LINES)->count(), 10);
    }

    void autoLoginThenPlayerCountPolling()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port(), true);
        QTRY_COMPARE(peer.frames().size(), 1);
        QCOMPARE(peer.frames().at(0).toHex(), QByteArray("150000001127120076006500780"
                                                         "06f006400720069006d00000000"));
        // No player-count request before the login is accepted.
        QVERIFY(peer.framesWithCommand(12001).isEmpty());
        peer.reply(hexFrame("040000001227"
                            "01000000"));
        QTRY_COMPARE(peer.framesWithCommand(12001).size(), 1);
        QCOMPARE(peer.framesWithCommand(12001).at(0).toHex(), QByteArray("00000000e12e"));
        QTRY_VERIFY(w->controlWidget(IDC_START)->isEnabled());
        QVERIFY(!w->controlWidget(IDC_LOGIN)->isEnabled());
        peer.reply(hexFrame("08000000e22e"
                            "0100000007000000"));
        QTRY_COMPARE(ctl<QLineEdit>(*w, IDC_STATUS)->text(),
                     QStringLiteral("現在のプレイヤー数：7人"));
        // Then one every 5000 ms.
        QTRY_COMPARE_WITH_TIMEOUT(peer.framesWithCommand(12001).size(), 2, 8000);
        QVERIFY(boxes.boxes.size() == 3); // only the first-start boxes
    }

    void refusedLoginChangesNothing()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port(), true);
        QTRY_COMPARE(peer.frames().size(), 1);
        peer.reply(hexFrame("040000001227"
                            "00000000"));
        peer.reply(hexFrame("08000000e22e"
                            "0100000007000000")); // read, but the login stays refused
        QTRY_COMPARE(ctl<QLineEdit>(*w, IDC_STATUS)->text(),
                     QStringLiteral("現在のプレイヤー数：7人"));
        QVERIFY(!w->session().loginAccepted());
        QVERIFY(w->controlWidget(IDC_LOGIN)->isEnabled());
        QVERIFY(peer.framesWithCommand(12001).isEmpty());
    }

    void enterSendsLiveMessageAndEscapeIsSwallowed()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        QTRY_VERIFY(peer.connected());
        QTRY_VERIFY(w->controlWidget(IDC_LOGIN)->toolTip().size() > 0);
        auto* live = ctl<QLineEdit>(*w, IDC_LIVE_TEXT);
        live->setText(QStringLiteral("こんにちは"));
        // Before any login, with the send button disabled.
        QVERIFY(!w->controlWidget(IDC_LIVE_SEND)->isEnabled());
        QTest::keyClick(live, Qt::Key_Return);
        QTRY_COMPARE(peer.frames().size(), 1);
        QCOMPARE(peer.frames().at(0).toHex(),
                 QByteArray("0e000000eb2e0c00533093306b3061306f300000"));
        QCOMPARE(live->text(), QString());
        QTest::keyClick(ctl<QComboBox>(*w, IDC_LIST_SELECTOR), Qt::Key_Escape);
        QTest::keyClick(live, Qt::Key_Enter); // an empty box sends N = 2
        QTRY_COMPARE(peer.frames().size(), 2);
        QCOMPARE(peer.frames().at(1).toHex(), QByteArray("04000000eb2e02000000"));
        QVERIFY(w->isVisible());
        QCOMPARE(w->result(), int(QDialog::Rejected));
        // With 1049 unticked the box keeps its text.
        ctl<QCheckBox>(*w, IDC_CLEAR_AFTER_SEND)->setChecked(false);
        live->setText(QStringLiteral("x"));
        QTest::keyClick(w->controlWidget(IDOK), Qt::Key_Return);
        QTRY_COMPARE(peer.frames().size(), 3);
        QCOMPARE(live->text(), QStringLiteral("x"));
        QVERIFY(w->isVisible());
    }

    void listBroadcastPacesLinesAndEnds()
    {
        QVERIFY(QDir().mkpath(dataDir().path()));
        QVERIFY(broadcast::WriteListFile(
                    dataDir(), QStringLiteral("three"),
                    {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")})
                    .ok());
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        loginVia(peer, *w);
        peer.clear();
        selectList(*w, QStringLiteral("three"));
        QTRY_VERIFY(w->controlWidget(IDC_START)->isEnabled());
        QTest::mouseClick(w->controlWidget(IDC_START), Qt::LeftButton);
        QTRY_VERIFY(w->controlWidget(IDC_STOP)->isEnabled());
        QVERIFY(!w->controlWidget(IDC_START)->isEnabled());
        QVERIFY(!w->controlWidget(IDC_SHORTCUT1)->isEnabled());
        QVERIFY(peer.framesWithCommand(12011).isEmpty()); // nothing at the start
        QTRY_COMPARE_WITH_TIMEOUT(peer.framesWithCommand(12011).size(), 1, 3000);
        QCOMPARE(ctl<QListWidget>(*w, IDC_LINES)->currentRow(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(peer.framesWithCommand(12011).size(), 3, 6000);
        const auto frames = peer.framesWithCommand(12011);
        QCOMPARE(frames.at(0).toHex(), QByteArray("06000000eb2e040061000000"));
        QCOMPARE(frames.at(1).toHex(), QByteArray("06000000eb2e040062000000"));
        QCOMPARE(frames.at(2).toHex(), QByteArray("06000000eb2e040063000000"));
        QCOMPARE(ctl<QListWidget>(*w, IDC_LINES)->currentRow(), 2);
        QTRY_VERIFY(w->controlWidget(IDC_START)->isEnabled());
        QVERIFY(!w->controlWidget(IDC_STOP)->isEnabled());
        QVERIFY(!w->isPacingTimerActive());
    }

    void deletingTheLoadedListDuringABroadcastEndsIt()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        loginVia(peer, *w);
        selectList(*w, QStringLiteral("試験放送♪"));
        w->StartBroadcast();
        QTRY_VERIFY(w->controlWidget(IDC_STOP)->isEnabled());
        w->DeleteSelectedList(); // answered OK
        QCOMPARE(ctl<QListWidget>(*w, IDC_LINES)->count(), 0);
        w->PacingTick();
        QVERIFY(!w->engine().isRunning());
        QTRY_VERIFY(w->controlWidget(IDC_START)->isEnabled());
        QVERIFY(peer.framesWithCommand(12011).isEmpty());
    }

    void startWithoutSelectionShowsGuard()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        loginVia(peer, *w);
        QTRY_VERIFY(w->controlWidget(IDC_START)->isEnabled());
        boxes.boxes.clear();
        QTest::mouseClick(w->controlWidget(IDC_START), Qt::LeftButton);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].text,
                 QStringLiteral("放送するメッセージリストが選択されてませんね・・（；´ー｀）"));
        QCOMPARE(boxes.boxes[0].caption, QStringLiteral("放送できません・・・"));
        QVERIFY(!w->engine().isRunning());
    }

    void deleteAsksAndHandlesNoSelection()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        boxes.boxes.clear();
        selectList(*w, QStringLiteral("試験放送♪"));
        boxes.answers.enqueue(QMessageBox::Cancel);
        w->DeleteSelectedList();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].text,
                 QStringLiteral("表示されているメッセージリストを削除しますか？"));
        QCOMPARE(boxes.boxes[0].caption, QStringLiteral("Final Answer?"));
        QCOMPARE(boxes.boxes[0].defaultButton, QMessageBox::Cancel);
        QCOMPARE(boxes.boxes[0].icon, MsgIcon::Question);
        QVERIFY(dataDir().exists(QStringLiteral("試験放送♪")));
        w->DeleteSelectedList();
        QVERIFY(!dataDir().exists(QStringLiteral("試験放送♪")));
        QCOMPARE(ctl<QComboBox>(*w, IDC_LIST_SELECTOR)->currentIndex(), -1);
        // The buttons stay enabled; with nothing selected no file is touched.
        QVERIFY(broadcast::WriteListFile(dataDir(), QStringLiteral("keep"), {QStringLiteral("k")})
                    .ok());
        w->RefreshListNames();
        boxes.boxes.clear();
        w->DeleteSelectedList();
        QCOMPARE(boxes.boxes.size(), 2);
        QCOMPARE(boxes.boxes[1].text,
                 QStringLiteral("メッセージリストが選択されていません・・（；´ー｀）"));
        QVERIFY(dataDir().exists(QStringLiteral("keep")));
    }

    void unreadableListIsReportedAndNotShown()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        selectList(*w, QStringLiteral("試験放送♪"));
        QVERIFY(QFile::remove(dataDir().filePath(QStringLiteral("試験放送♪"))));
        boxes.boxes.clear();
        w->LoadSelectedList();
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes[0].text.contains(QStringLiteral("試験放送♪")));
        QCOMPARE(ctl<QListWidget>(*w, IDC_LINES)->count(), 0);
    }

    void closingWithOwariWritesSixKeysInOrder()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        QTest::mouseClick(w->controlWidget(IDOK), Qt::LeftButton);
        QCOMPARE(w->result(), int(QDialog::Accepted));
        QFile f(m_ini);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QStringList keys;
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            if (line.contains(QLatin1Char('=')))
                keys.append(line.section(QLatin1Char('='), 0, 0).trimmed());
        }
        QCOMPARE(keys,
                 (QStringList{QStringLiteral("00H"), QStringLiteral("30H"), QStringLiteral("00"),
                              QStringLiteral("30"), QStringLiteral("00F"), QStringLiteral("30F")}));
    }

    void closeBoxWritesNothing()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        w->close();
        QCOMPARE(w->result(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(m_ini));
    }

    void unreachableServerIsReportedOnce()
    {
        quint16 port = 0;
        {
            QTcpServer s;
            QVERIFY(s.listen(QHostAddress::LocalHost, 0));
            port = s.serverPort();
        }
        BoxRecorder boxes;
        auto w = makeWindow(port, true);
        QTRY_COMPARE(boxes.boxes.size(), 4);
        QCOMPARE(boxes.boxes[3].text, QStringLiteral("ヴェルミラ鯖とコネクションが取れません\r鯖設"
                                                     "定を確認してトルヴェインを再起動して下さい"));
        QCOMPARE(boxes.boxes[3].caption, QStringLiteral("通信不能（；；"));
        w->Login(); // nothing to send on, nothing shown
        QCOMPARE(boxes.boxes.size(), 4);
    }

    void shortcutsBindPressAndLoseTheirList()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        loginVia(peer, *w);
        selectList(*w, QStringLiteral("試験放送♪"));
        for (int i = 0; i < 2; ++i)
            QTest::mouseClick(
                w->controlWidget(IDC_SLOT_SPIN)->findChild<QWidget*>(QStringLiteral("up")),
                Qt::LeftButton);
        boxes.boxes.clear();
        w->BindShortcut();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].text,
                 QStringLiteral("右のメッセージリストを短縮ボタン（3）に割り付けますね！？"));
        QCOMPARE(boxes.boxes[0].defaultButton, QMessageBox::Ok);
        QCOMPARE(IniSettings(m_ini).read(QStringLiteral("SCBn"), QStringLiteral("Btn3")),
                 QStringLiteral("試験放送♪"));
        QCOMPARE(w->controlWidget(IDC_SHORTCUT3)->toolTip(), QStringLiteral("試験放送♪"));

        // Display only: a press loads and sends nothing.
        ctl<QComboBox>(*w, IDC_LIST_SELECTOR)->setCurrentIndex(-1);
        ctl<QListWidget>(*w, IDC_LINES)->clear();
        w->PressShortcut(3);
        QCOMPARE(ctl<QListWidget>(*w, IDC_LINES)->count(), 10);
        QVERIFY(!w->engine().isRunning());

        QVERIFY(QFile::remove(dataDir().filePath(QStringLiteral("試験放送♪"))));
        w->RefreshListNames();
        boxes.boxes.clear();
        w->PressShortcut(3);
        QCOMPARE(boxes.texts(),
                 (QStringList{QStringLiteral("おかしいな・・・メッセージリストみつかりません・・"),
                              QStringLiteral("短縮ボタンを解除しました・・・")}));
        QCOMPARE(boxes.boxes[0].caption, QStringLiteral("＞＜；"));
        QCOMPARE(w->controlWidget(IDC_SHORTCUT3)->toolTip(), QString());
        // Only in memory: the file still names the list.
        QCOMPARE(IniSettings(m_ini).read(QStringLiteral("SCBn"), QStringLiteral("Btn3")),
                 QStringLiteral("試験放送♪"));

        boxes.boxes.clear();
        w->UnbindShortcut();
        QCOMPARE(boxes.boxes[0].text,
                 QStringLiteral("短縮ボタン（3）の割り付けを解除しますよ！？"));
        QCOMPARE(IniSettings(m_ini).read(QStringLiteral("SCBn"), QStringLiteral("Btn3")),
                 QStringLiteral("none"));
    }

    void bindingsComeBackAfterRestart()
    {
        QVERIFY(QDir().mkpath(dataDir().path()));
        QVERIFY(
            broadcast::WriteListFile(dataDir(), QStringLiteral("abc"), {QStringLiteral("x")}).ok());
        QVERIFY(broadcast::WriteListFile(dataDir(), QStringLiteral("abcd"), {QStringLiteral("y")})
                    .ok());
        IniSettings ini(m_ini);
        QVERIFY(ini.write(QStringLiteral("SCBn"), QStringLiteral("Btn1"), QStringLiteral("abc")));
        QVERIFY(ini.write(QStringLiteral("SCBn"), QStringLiteral("Btn2"), QStringLiteral("gone")));
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        QCOMPARE(w->shortcuts().boundName(1), QStringLiteral("abc"));
        QCOMPARE(w->controlWidget(IDC_SHORTCUT1)->toolTip(), QStringLiteral("abc"));
        QVERIFY(!w->shortcuts().isBound(2));
        QVERIFY(!w->shortcuts().isBound(3));
    }

    void editWithoutSelectionOpensNothing()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        int opened = 0;
        setDialogRunner([&](QDialog&) {
            ++opened;
            return int(QDialog::Rejected);
        });
        selectList(*w, QStringLiteral("試験放送♪"));
        ctl<QComboBox>(*w, IDC_LIST_SELECTOR)->setCurrentIndex(-1);
        boxes.boxes.clear();
        QTest::mouseClick(w->controlWidget(IDC_EDIT_LIST), Qt::LeftButton);
        QCOMPARE(opened, 0);
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral(
                                    "メッセージリストが選択されていません・・（；´ー｀）")});
    }

    void newPasswordCarriedByNextLogin()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        QTRY_VERIFY(peer.connected());
        setDialogRunner([&](QDialog&) {
            IniSettings(m_ini).write(QStringLiteral("Velmira"), QStringLiteral("AdminPW"),
                                     QStringLiteral("ab"));
            return int(QDialog::Accepted);
        });
        QTest::mouseClick(w->controlWidget(IDC_CONFIG), Qt::LeftButton);
        QTest::mouseClick(w->controlWidget(IDC_LOGIN), Qt::LeftButton);
        QTRY_COMPARE(peer.frames().size(), 1);
        QCOMPARE(peer.frames().at(0).toHex(), QByteArray("0900000011270600610062000000"
                                                         "00"));
    }

    void scheduleAndHourlySignalGoOutOnTheInjectedClock()
    {
        QVERIFY(QDir().mkpath(dataDir().path()));
        QVERIFY(broadcast::WriteListFile(dataDir(), QStringLiteral("朝の放送"),
                                         {QStringLiteral("x"), QStringLiteral("y")})
                    .ok());
        QVERIFY(timesignal::WriteTimeSignalFile(
                    dataDir(), {{QStringLiteral("07:00:01"), true, QStringLiteral("朝の放送")},
                                {QStringLiteral("07:00:01"), false, QStringLiteral("朝の放送")}})
                    .ok());
        IniSettings ini(m_ini);
        QVERIFY(ini.write(QStringLiteral("TimeSig"), QStringLiteral("00"), QStringLiteral("ex")));
        QVERIFY(ini.write(QStringLiteral("TimeSig"), QStringLiteral("00H"), QStringLiteral("A")));
        QVERIFY(ini.write(QStringLiteral("TimeSig"), QStringLiteral("00F"), QStringLiteral("B")));
        // The console's clock starts half a second before seven.
        QElapsedTimer elapsed;
        elapsed.start();
        const QDateTime base(QDate(2026, 12, 9), QTime(6, 59, 59, 500));
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port(), false, [&] { return base.addMSecs(elapsed.elapsed()); });
        QTRY_VERIFY(peer.connected());
        // Not logged in: the scheduler does not look at the login.
        QTRY_COMPARE_WITH_TIMEOUT(peer.framesWithCommand(12011).size(), 1, 3000);
        QCOMPARE(peer.framesWithCommand(12011).at(0).toHex(),
                 QByteArray("0e000000eb2e0c004100300037004266420000"
                            "00"));
        // The enabled entry starts its list at 07:00:01; its first line 1500 ms later.
        QTRY_VERIFY_WITH_TIMEOUT(w->engine().isRunning(), 3000);
        QCOMPARE(ctl<QComboBox>(*w, IDC_LIST_SELECTOR)->currentText(), QStringLiteral("朝の放送"));
        QTRY_COMPARE_WITH_TIMEOUT(peer.framesWithCommand(12011).size(), 3, 6000);
        QCOMPARE(peer.framesWithCommand(12011).at(1).toHex(),
                 QByteArray("06000000eb2e040078000000"));
        QCOMPARE(peer.framesWithCommand(12011).at(2).toHex(),
                 QByteArray("06000000eb2e040079000000"));
        // The disabled twin never started a second broadcast, and the hourly signal
        // went out once.
        QTRY_VERIFY(!w->engine().isRunning());
        QCOMPARE(peer.framesWithCommand(12011).size(), 3);
    }

    void accountRequestsGoOutFromNotifications()
    {
        BoxRecorder boxes;
        RecordingPeer peer;
        auto w = makeWindow(peer.port());
        QTRY_VERIFY(peer.connected());
        postNotification(w.get(), WM_ACCOUNT_LIST_REQ);
        postNotification(w.get(), WM_ACCOUNT_INFO_REQ, 5); // no such position: nothing goes out
        QTRY_COMPARE(peer.frames().size(), 1);
        QCOMPARE(peer.frames().at(0).toHex(), QByteArray("000000001b27"));
    }
};

QTEST_MAIN(TestCTolvaneDeskDlg)
#include "TestCTolvaneDeskDlg.moc"
