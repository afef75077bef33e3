#include "AccountPayloads.h"
#include "AccountServiceRig.h"
#include "BoxRecorder.h"
#include "DeskFixture.h"
#include "FileBytes.h"

#include "console/CommandDispatcher.h"
#include "protocol/Wire.h"
#include "settings/IniSettings.h"
#include "ui/CConfigDlg.h"
#include "ui/CTimeSignalDlg.h"
#include "ui/CVelmiraAccountDlg.h"
#include "ui/DialogRunner.h"
#include "ui/IpAddressEdit.h"
#include "ui/UpDownControl.h"

#include <QComboBox>
#include <QListView>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace tolvane;
using namespace tolvane::ui;
using namespace tolvane::ui::mainwindow;
using namespace Qt::StringLiterals;
using testsupport::BoxRecorder;
using testsupport::DeskFixture;
using testsupport::FakeServer;

// Every question the console asks runs a nested event loop: a script's command and a
// scheduled list start while the box is open, and the answer must still act on what
// the operator was asked about. Each row asks one question, runs both underneath it,
// answers, and checks what the answer did and that the players got both broadcasts.
class TestQuestions : public QObject
{
    Q_OBJECT

    enum Question {
        DeleteList,
        BindShortcut,
        UnbindShortcut,
        ServerSettings,
        ScheduleEntry,
        AccountDelete,
        AccountSuspend,
        AccountSendHome,
        AccountAuthority,
    };

    std::unique_ptr<DeskFixture> m_desk;
    std::unique_ptr<FakeServer> m_server;
    std::unique_ptr<console::CommandDispatcher> m_commands;
    QPointer<QDialog> m_accounts; // the account dialog while it is open

    console::ConsoleController& console() { return m_desk->window->controller(); }

    void openLoggedIn()
    {
        m_desk->makeDataDirectory({{u"AAA"_s, {u"a1"_s, u"a2"_s}},
                                   {u"BBB"_s, {u"b1"_s, u"b2"_s}},
                                   {u"CCC"_s, {u"c1"_s, u"c2"_s}}});
        // CCC is due five seconds after the start; shortcut 3 holds AAA.
        testsupport::writeBytes(m_desk->dataDir().filePath(u"TimeSignal.cfg"_s),
                                "1\r\n12:00:05,1,CCC\r\n");
        QVERIFY(settings::IniSettings(m_desk->ini).write(u"SCBn"_s, u"Btn3"_s, u"AAA"_s));
        m_server = std::make_unique<FakeServer>();
        m_desk->open(m_server->port());
        // Commands reach this window's console as they do in the program.
        m_commands = std::make_unique<console::CommandDispatcher>(console());
        QVERIFY(m_desk->connectedTo(*m_server));
        QTest::mouseClick(m_desk->control(IDC_LOGIN), Qt::LeftButton);
        QVERIFY(m_desk->acceptLogin(*m_server, 12));
    }

    // What happens underneath the box: a script starts BBB, then the clock reaches
    // CCC's time and the schedule starts it.
    void underneath()
    {
        QCOMPARE(m_commands->handle({settings::HandOverCommand::Broadcast, u"BBB"_s}).status,
                 console::CommandStatus::Ok);
        m_desk->time.advanceTo(QTime(12, 0, 6));
        QCOMPARE(console().loadedListName(), u"CCC"_s);
    }

    void choose(const QString& list)
    {
        auto* selector = m_desk->control<QComboBox>(IDC_LIST_SELECTOR);
        selector->setCurrentIndex(selector->findText(list));
        QVERIFY(selector->currentIndex() >= 0);
    }

    void click(QWidget* root, int id)
    {
        QTest::mouseClick(control<QPushButton>(root, id), Qt::LeftButton);
    }

    QString setting(const QString& section, const QString& key)
    {
        return settings::IniSettings(m_desk->ini).read(section, key);
    }

    QStringList accountRequests() const
    {
        QStringList out;
        for (const QByteArray& frame : m_server->received.frames()) {
            const quint16 command = testsupport::commandOf(frame);
            if (command >= protocol::CmdAccountList && command <= protocol::CmdAccountChange)
                out.append(testsupport::accountRequestLine(frame));
        }
        return out;
    }

    // The account dialog, opened by the window, shows abc, def and ghi with def chosen
    // and its details in; then `button` asks its question.
    void askAboutAccount(QDialog& dialog, int button)
    {
        using Dlg = CVelmiraAccountDlg;
        auto* list = control<QListView>(&dialog, Dlg::IdAccounts);
        QTRY_COMPARE(m_server->received.count(protocol::CmdAccountList), 1);
        m_server->reply(
            testsupport::frameBytes(protocol::CmdAccountListReply,
                                    testsupport::listPayload({u"abc"_s, u"def"_s, u"ghi"_s})));
        QTRY_COMPARE(list->model()->rowCount(), 3);
        list->setCurrentIndex(list->model()->index(1, 0));
        testsupport::Detail d;
        d.id = u"def"_s;
        d.state = 1; // online
        d.authority = 2;
        QTRY_COMPARE(m_server->received.count(protocol::CmdAccountInfo), 1);
        m_server->reply(
            testsupport::frameBytes(protocol::CmdAccountInfoReply, testsupport::detailPayload(d)));
        QTRY_VERIFY(control<QPushButton>(&dialog, Dlg::IdDelete)->isEnabled());
        if (button == Dlg::IdChangeAuthority)
            click(&dialog, Dlg::IdEdit);
        click(&dialog, button);
    }

private Q_SLOTS:
    void init() { m_desk = std::make_unique<DeskFixture>(); }
    void cleanup()
    {
        setDialogRunner({});
        m_commands.reset();
        m_desk.reset();
        m_server.reset();
    }

    void theAnswerActsOnWhatWasAsked_data()
    {
        QTest::addColumn<int>("question");
        QTest::addColumn<QString>("box");
        QTest::newRow("削除") << int(DeleteList)
                              << u"表示されているメッセージリストを削除しますか？"_s;
        QTest::newRow("登録") << int(BindShortcut)
                              << u"右のメッセージリストを短縮ボタン（2）に割り付けますね！？"_s;
        QTest::newRow("解除") << int(UnbindShortcut)
                              << u"短縮ボタン（3）の割り付けを解除しますよ！？"_s;
        QTest::newRow("設定") << int(ServerSettings)
                              << u"更新しますよ～！？\r更新後、再起動してアクセスして下さい♪"_s;
        QTest::newRow("時報の追加")
            << int(ScheduleEntry) << u"時刻：13時0分0秒にメッセージリストAAAを放送しますか？"_s;
        QTest::newRow("退学") << int(AccountDelete) << u"！！∑　defを退学させますか？"_s;
        QTest::newRow("謹慎") << int(AccountSuspend) << u"！！∑　「def」を謹慎させますか？"_s;
        QTest::newRow("強制帰宅") << int(AccountSendHome)
                                  << u"！！∑　「def」をただちに強制帰宅させますか？"_s;
        QTest::newRow("権限") << int(AccountAuthority)
                              << u"「def」の権限を「GM」に変更しますか？"_s;
    }

    void theAnswerActsOnWhatWasAsked()
    {
        QFETCH(int, question);
        QFETCH(QString, box);
        BoxRecorder boxes;
        openLoggedIn();
        boxes.expectWhileOpen(QMessageBox::Ok, [this] { underneath(); });
        switch (Question(question)) {
        case DeleteList:
        case BindShortcut:
            choose(u"AAA"_s);
            qobject_cast<UpDownControl*>(m_desk->control(IDC_SLOT_SPIN))->setPos(2);
            QTest::mouseClick(m_desk->control(question == DeleteList ? IDC_DELETE_LIST : IDC_BIND),
                              Qt::LeftButton);
            break;
        case UnbindShortcut:
            qobject_cast<UpDownControl*>(m_desk->control(IDC_SLOT_SPIN))->setPos(3);
            QTest::mouseClick(m_desk->control(IDC_UNBIND), Qt::LeftButton);
            break;
        case ServerSettings:
            setDialogRunner([this](QDialog& dialog) {
                control<IpAddressEdit>(&dialog, CConfigDlg::IdHostIP)->setText(u"10.1.2.3"_s);
                control<QLineEdit>(&dialog, CConfigDlg::IdAdminPW)->setText(u"newpw"_s);
                click(&dialog, 1);
                return dialog.result();
            });
            QTest::mouseClick(m_desk->control(IDC_CONFIG), Qt::LeftButton);
            break;
        case ScheduleEntry:
            setDialogRunner([this](QDialog& dialog) {
                auto* lists = control<QComboBox>(&dialog, CTimeSignalDlg::IdLists);
                lists->setCurrentIndex(lists->findText(u"AAA"_s));
                control<UpDownControl>(&dialog, CTimeSignalDlg::IdHourUpDown)->setPos(13);
                control<UpDownControl>(&dialog, CTimeSignalDlg::IdMinuteUpDown)->setPos(0);
                control<UpDownControl>(&dialog, CTimeSignalDlg::IdSecondUpDown)->setPos(0);
                click(&dialog, CTimeSignalDlg::IdAdd);
                click(&dialog, CTimeSignalDlg::IdClose);
                return dialog.result();
            });
            QTest::mouseClick(m_desk->control(IDC_TIMESIG_SETTINGS), Qt::LeftButton);
            break;
        case AccountDelete:
        case AccountSuspend:
        case AccountSendHome:
        case AccountAuthority: {
            static const int buttons[] = {
                CVelmiraAccountDlg::IdDelete, CVelmiraAccountDlg::IdSuspend,
                CVelmiraAccountDlg::IdSendHome, CVelmiraAccountDlg::IdChangeAuthority};
            const int button = buttons[question - AccountDelete];
            // A list reply also comes underneath, putting another account at def's place.
            boxes.forget();
            boxes.expectWhileOpen(QMessageBox::Ok, [this] {
                underneath();
                m_server->reply(testsupport::frameBytes(
                    protocol::CmdAccountListReply, testsupport::listPayload({u"xyz"_s, u"abc"_s})));
                auto* list = control<QListView>(m_accounts, CVelmiraAccountDlg::IdAccounts);
                QTRY_COMPARE(list->model()->rowCount(), 2);
            });
            setDialogRunner([this, button](QDialog& dialog) {
                m_accounts = &dialog;
                dialog.show(); // as exec() would; the dialog asks for the list when shown
                askAboutAccount(dialog, button);
                return int(QDialog::Rejected);
            });
            QTest::mouseClick(m_desk->control(IDC_ACCOUNTS), Qt::LeftButton);
            break;
        }
        }
        QVERIFY(boxes.done());
        QCOMPARE(boxes.boxes.first().text, box);

        // What the answer did, to the object asked about.
        switch (Question(question)) {
        case DeleteList:
            QVERIFY(!QFile::exists(m_desk->dataDir().filePath(u"AAA"_s)));
            QVERIFY(QFile::exists(m_desk->dataDir().filePath(u"BBB"_s)));
            // The list the schedule chose stays chosen, with its lines.
            QCOMPARE(m_desk->control<QComboBox>(IDC_LIST_SELECTOR)->currentText(), u"CCC"_s);
            QCOMPARE(m_desk->control<QListWidget>(IDC_LINES)->item(0)->text(), u"c1"_s);
            break;
        case BindShortcut:
            QCOMPARE(setting(u"SCBn"_s, u"Btn2"_s), u"AAA"_s);
            QCOMPARE(m_desk->control(IDC_SHORTCUT2)->toolTip(), u"AAA"_s);
            break;
        case UnbindShortcut:
            QCOMPARE(setting(u"SCBn"_s, u"Btn3"_s), u"none"_s);
            break;
        case ServerSettings:
            QCOMPARE(setting(u"Velmira"_s, u"HostIP"_s), u"10.1.2.3"_s);
            QCOMPARE(setting(u"Velmira"_s, u"AdminPW"_s), u"newpw"_s);
            break;
        case ScheduleEntry:
            QCOMPARE(testsupport::readBytes(m_desk->dataDir().filePath(u"TimeSignal.cfg"_s)),
                     QByteArray("2\r\n12:00:05,1,CCC\r\n13:00:00,1,AAA\r\n"));
            break;
        case AccountDelete:
        case AccountSuspend:
        case AccountSendHome:
        case AccountAuthority: {
            static const char* const requests[] = {"delete def", "change def 4", "change def 3",
                                                   "change def 8"};
            const QString request = QString::fromLatin1(requests[question - AccountDelete]);
            QTRY_VERIFY2(accountRequests().contains(request),
                         qPrintable(accountRequests().join(u", "_s)));
            break;
        }
        }
        // Neither the script's list nor the scheduled one waited for the answer.
        m_desk->time.advance(3000);
        QTRY_VERIFY(m_server->received.broadcastTexts().contains(u"b1"_s));
        QTRY_VERIFY(m_server->received.broadcastTexts().contains(u"c1"_s));
    }

    // When the object went or changed while the box was open, the answer does nothing
    // and says so.
    void anObjectThatWentIsLeftAlone_data()
    {
        QTest::addColumn<int>("question");
        QTest::addColumn<QString>("told");
        const QString gone = u"メッセージリスト「AAA」はもうありません・・（；；"_s;
        QTest::newRow("削除") << int(DeleteList) << gone;
        QTest::newRow("登録") << int(BindShortcut) << gone;
        QTest::newRow("解除")
            << int(UnbindShortcut)
            << u"短縮ボタン（3）の割り付けが変わったので\r解除しませんでした・・（；´ー｀）"_s;
        QTest::newRow("設定")
            << int(ServerSettings)
            << u"確認の間に設定ファイルが書き換えられたので\r更新しませんでした・・（；；"_s;
        QTest::newRow("時報の追加") << int(ScheduleEntry) << gone;
    }

    void anObjectThatWentIsLeftAlone()
    {
        QFETCH(int, question);
        QFETCH(QString, told);
        BoxRecorder boxes;
        openLoggedIn();
        choose(u"AAA"_s);
        const QString aaa = m_desk->dataDir().filePath(u"AAA"_s);
        boxes.expectWhileOpen(QMessageBox::Ok, [&] {
            switch (Question(question)) {
            case UnbindShortcut:
                // Shortcut 3 finds its list gone and lets go of it meanwhile, with
                // its two notices.
                boxes.forget();
                boxes.expect(QMessageBox::Ok, 3);
                QVERIFY(QFile::remove(aaa));
                console().lists().rescan(); // as the file watcher does
                console().PressShortcut(3);
                break;
            case ServerSettings:
                QVERIFY(settings::IniSettings(m_desk->ini)
                            .write(u"Velmira"_s, u"AdminPW"_s, u"theirs"_s));
                break;
            default:
                QVERIFY(QFile::remove(aaa));
            }
        });
        boxes.expect();
        const auto slotSpin = qobject_cast<UpDownControl*>(m_desk->control(IDC_SLOT_SPIN));
        slotSpin->setPos(question == UnbindShortcut ? 3 : 2);
        switch (Question(question)) {
        case ServerSettings:
            setDialogRunner([this](QDialog& dialog) {
                control<QLineEdit>(&dialog, CConfigDlg::IdAdminPW)->setText(u"mine"_s);
                click(&dialog, 1);
                click(&dialog, 2); // still open after the refusal
                return dialog.result();
            });
            QTest::mouseClick(m_desk->control(IDC_CONFIG), Qt::LeftButton);
            QCOMPARE(setting(u"Velmira"_s, u"AdminPW"_s), u"theirs"_s);
            break;
        case ScheduleEntry:
            setDialogRunner([this](QDialog& dialog) {
                auto* lists = control<QComboBox>(&dialog, CTimeSignalDlg::IdLists);
                lists->setCurrentIndex(lists->findText(u"AAA"_s));
                click(&dialog, CTimeSignalDlg::IdAdd);
                click(&dialog, CTimeSignalDlg::IdClose);
                return dialog.result();
            });
            QTest::mouseClick(m_desk->control(IDC_TIMESIG_SETTINGS), Qt::LeftButton);
            QCOMPARE(testsupport::readBytes(m_desk->dataDir().filePath(u"TimeSignal.cfg"_s)),
                     QByteArray("1\r\n12:00:05,1,CCC\r\n"));
            break;
        default: {
            const int button = question == DeleteList     ? IDC_DELETE_LIST
                               : question == BindShortcut ? IDC_BIND
                                                          : IDC_UNBIND;
            QTest::mouseClick(m_desk->control(button), Qt::LeftButton);
            QCOMPARE(setting(u"SCBn"_s, u"Btn2"_s), QString());
            QCOMPARE(setting(u"SCBn"_s, u"Btn3"_s), u"AAA"_s); // released in memory only
            QVERIFY(m_desk->logLines().last().contains(u"確認の間に"_s));
        }
        }
        QVERIFY(boxes.done());
        QCOMPARE(boxes.boxes.last().text, told);
    }
};

QTEST_MAIN(TestQuestions)
#include "TestQuestions.moc"
