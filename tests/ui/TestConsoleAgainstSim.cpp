#include "BoxRecorder.h"
#include "DeskFixture.h"

#include "ui/CVelmiraAccountDlg.h"
#include "ui/ControlTable.h"
#include "ui/DialogRunner.h"
#include "ui/MainWindowLayout.h"

#include "VelmiraServer.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace tolvane;
using namespace tolvane::ui;
using namespace tolvane::ui::mainwindow;
using testsupport::BoxRecorder;

// The console's components end to end against the simulator, with replies split
// into single bytes and coalesced.
class TestConsoleAgainstSim : public QObject
{
    Q_OBJECT

    std::unique_ptr<testsupport::DeskFixture> m_desk;
    std::unique_ptr<sim::VelmiraServer> m_sim;
    CTolvaneDeskDlg* m_window = nullptr;

    // The simulator with `base`'s faults, and the console logged in to it by itself.
    bool startConsole(const sim::SimOptions& base)
    {
        m_desk = std::make_unique<testsupport::DeskFixture>();
        m_desk->makeDataDirectory(
            {{QStringLiteral("お知らせ"),
              {QStringLiteral("メンテナンスのお知らせです"), QStringLiteral("20時から30分間"),
               QStringLiteral("よろしく♪")}}});
        sim::SimOptions o = base;
        o.port = 0;
        o.quiet = true;
        o.chunkIntervalMs = 0; // split, without waiting between the pieces
        o.coalesceMs = 0;      // replies of one turn of the loop go out together
        m_sim = std::make_unique<sim::VelmiraServer>();
        if (!m_sim->listen(o)) {
            QTest::qFail(qPrintable(m_sim->errorString()), __FILE__, __LINE__);
            return false;
        }
        m_window = &m_desk->open(m_sim->serverPort(), true);
        return true;
    }

private Q_SLOTS:
    void cleanup()
    {
        setDialogRunner({});
        m_desk.reset();
        m_sim.reset();
    }

    void autoLoginFollowsThePlayerCount()
    {
        BoxRecorder boxes;
        sim::SimOptions o;
        o.chunkBytes = 1;
        QVERIFY(startConsole(o));
        auto* status = qobject_cast<QLineEdit*>(m_window->controlWidget(IDC_STATUS));
        QTRY_COMPARE(status->text(), QStringLiteral("現在のプレイヤー数：12人"));
        QVERIFY(m_window->controlWidget(IDC_ACCOUNTS)->isEnabled());
        m_sim->setPlayerCount(0);
        m_desk->time.advance(5000); // the next poll
        QTRY_COMPARE(status->text(), QStringLiteral("現在のプレイヤー数：0人"));
    }

    void listBroadcastArrivesLineByLine()
    {
        BoxRecorder boxes;
        sim::SimOptions o;
        o.coalesce = true;
        QVERIFY(startConsole(o));
        QTRY_VERIFY(m_window->controller().linkState() == console::LinkState::LoggedIn);
        QSignalSpy received(m_sim.get(), &sim::VelmiraServer::broadcastReceived);
        m_window->controller().StartListBroadcast(QStringLiteral("お知"));
        for (int line = 1; line <= 3; ++line) {
            m_desk->time.advance(1500);
            QTRY_COMPARE(received.size(), line);
        }
        QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("メンテナンスのお知らせです"));
        QCOMPARE(received.at(1).at(0).toString(), QStringLiteral("20時から30分間"));
        QCOMPARE(received.at(2).at(0).toString(), QStringLiteral("よろしく♪"));
        QTRY_VERIFY(m_window->controlWidget(IDC_START)->isEnabled());
    }

    void accountDialogAgainstTheSimulator()
    {
        BoxRecorder boxes;
        boxes.expect(); // the confirmation of the new account
        sim::SimOptions o;
        o.chunkBytes = 7;
        QVERIFY(startConsole(o));
        for (const char* id : {"alice", "bob", "carol"}) {
            sim::Account a;
            a.id = QString::fromLatin1(id);
            a.digestText = QByteArray(32, 'a');
            m_sim->addAccount(a);
        }
        // The button is enabled by the login (state 0 first disables it).
        QTRY_VERIFY(m_window->controller().linkState() == console::LinkState::LoggedIn);
        QTRY_VERIFY(m_window->controlWidget(IDC_ACCOUNTS)->isEnabled());
        bool ran = false;
        setDialogRunner([&](QDialog& dialog) {
            // Shown modal, so replies reach it as the most recently active popup.
            dialog.setModal(true);
            dialog.show();
            const QAbstractItemModel* list =
                control<QListView>(&dialog, CVelmiraAccountDlg::IdAccounts)->model();
            [&] { QTRY_COMPARE(list->rowCount(), 3); }();
            // Enrol a new account.
            QTest::mouseClick(controlById(&dialog, CVelmiraAccountDlg::IdEnrol), Qt::LeftButton);
            control<QLineEdit>(&dialog, CVelmiraAccountDlg::IdAccountId)
                ->setText(QStringLiteral("dave"));
            control<QLineEdit>(&dialog, CVelmiraAccountDlg::IdPassword)
                ->setText(QStringLiteral("パスワード"));
            QTest::mouseClick(controlById(&dialog, CVelmiraAccountDlg::IdExecute), Qt::LeftButton);
            [&] { QTRY_COMPARE(list->rowCount(), 4); }();
            ran = true;
            dialog.done(QDialog::Accepted);
            return int(QDialog::Accepted);
        });
        QTest::mouseClick(m_window->controlWidget(IDC_ACCOUNTS), Qt::LeftButton);
        QVERIFY(ran);
        const auto dave = m_sim->account(QStringLiteral("dave"));
        QVERIFY(dave);
        QCOMPARE(dave->digestText, QByteArray("4bdfe7e594ac464a91fa62453879bd49"));
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].text, QStringLiteral("ID=dave "));
    }

    void accountListPastOneMiBKeepsTheLink()
    {
        BoxRecorder boxes;
        QVERIFY(startConsole({}));
        // 100,000 IDs: a list reply of 5,000,008 bytes.
        QCOMPARE(m_sim->seedAccounts(100000), 100000);
        QSignalSpy dropped(m_sim.get(), &sim::VelmiraServer::clientDisconnected);
        // The first player-count request follows the accepted login.
        QSignalSpy requests(m_sim.get(), &sim::VelmiraServer::requestReceived);
        QTRY_VERIFY(std::any_of(requests.cbegin(), requests.cend(), [](const QList<QVariant>& r) {
            return r.at(0).value<sim::RequestRecord>().command == protocol::CmdPlayerCount;
        }));
        QTRY_VERIFY(m_window->controlWidget(IDC_ACCOUNTS)->isEnabled());
        bool ran = false;
        setDialogRunner([&](QDialog& dialog) {
            dialog.setModal(true);
            dialog.show();
            auto* view = control<QListView>(&dialog, CVelmiraAccountDlg::IdAccounts);
            [&] { QTRY_COMPARE(view->model()->rowCount(), 100000); }();
            // The link still carries requests: the last account's details come back.
            view->setCurrentIndex(view->model()->index(99999, 0));
            auto* id = control<QLineEdit>(&dialog, CVelmiraAccountDlg::IdAccountId);
            [&] { QTRY_COMPARE(id->text(), QStringLiteral("player0099999")); }();
            ran = true;
            dialog.done(QDialog::Accepted);
            return int(QDialog::Accepted);
        });
        QTest::mouseClick(m_window->controlWidget(IDC_ACCOUNTS), Qt::LeftButton);
        QVERIFY(ran);
        QCOMPARE(dropped.count(), 0);
    }
};

QTEST_MAIN(TestConsoleAgainstSim)
#include "TestConsoleAgainstSim.moc"
