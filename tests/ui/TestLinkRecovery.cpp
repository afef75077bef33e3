// The console against the simulator when the link fails: a server restarted in the
// middle of a broadcast, a server that falls silent, a refused password, a live
// message and an account request with no link (and the same dialog once the link is
// back). The console's clock is manual; the network is real.

#include "BoxRecorder.h"
#include "DeskFixture.h"

#include "console/StatusTexts.h"
#include "ui/CVelmiraAccountDlg.h"
#include "ui/ControlTable.h"
#include "ui/DialogRunner.h"
#include "ui/MainWindowLayout.h"

#include "VelmiraServer.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace tolvane;
using namespace tolvane::ui;
using namespace tolvane::ui::mainwindow;
using namespace Qt::StringLiterals;
using console::LinkState;
using testsupport::BoxRecorder;
using testsupport::DeskFixture;

class TestLinkRecovery : public QObject
{
    Q_OBJECT

    std::unique_ptr<DeskFixture> m_desk;
    std::unique_ptr<sim::VelmiraServer> m_sim;
    QStringList m_received; // broadcast texts, in order of arrival

    console::ConsoleController& console() { return m_desk->window->controller(); }
    QString status() const { return m_desk->control<QLineEdit>(IDC_STATUS)->text(); }

    void start(const QStringList& lines = {})
    {
        m_desk->makeDataDirectory({{u"お知らせ"_s, lines.isEmpty() ? QStringList{u"x"_s} : lines}});
        m_sim = std::make_unique<sim::VelmiraServer>();
        sim::SimOptions o;
        o.port = 0;
        o.quiet = true;
        QVERIFY(m_sim->listen(o));
        connect(m_sim.get(), &sim::VelmiraServer::broadcastReceived, this,
                [this](const QString& text) { m_received.append(text); });
        m_desk->open(m_sim->serverPort(), true);
        QTRY_COMPARE(console().linkState(), LinkState::LoggedIn);
        QTRY_COMPARE(status(), u"現在のプレイヤー数：12人"_s);
    }

    // Advances the console's clock in steps, giving the network on loopback a moment
    // between them, until `done` holds; false when `maxMs` of console time went by.
    bool runUntil(const std::function<bool()>& done, int maxMs, int step = 500)
    {
        for (int ran = 0; ran <= maxMs; ran += step) {
            if (QTest::qWaitFor(done, 20))
                return true;
            m_desk->time.advance(step);
        }
        return done();
    }
    // Advances the console's clock by `ms` in steps; after each, a connection attempt
    // under way is given the moment the network on loopback needs to decide it.
    void run(int ms, int step = 500)
    {
        for (int ran = 0; ran < ms; ran += step) {
            m_desk->time.advance(step);
            const bool settled = QTest::qWaitFor(
                [&] { return console().linkState() != LinkState::Reconnecting; }, 1000);
            Q_UNUSED(settled); // a test that needs the outcome checks it
        }
    }

    QStringList logLines() const
    {
        QFile f(m_desk->program + u"/TolvaneLog/2026-12-09.log"_s);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n')
                                           : QStringList();
    }

private Q_SLOTS:
    void init()
    {
        m_desk = std::make_unique<DeskFixture>();
        m_received.clear();
    }
    void cleanup()
    {
        setDialogRunner({});
        m_desk.reset();
        m_sim.reset();
    }

    void aServerRestartedMidBroadcastLosesNoLine()
    {
        QStringList lines;
        for (int i = 1; i <= 20; ++i)
            lines.append(u"お知らせ%1"_s.arg(i));
        BoxRecorder boxes;
        start(lines);
        console().StartListBroadcast(u"お知らせ"_s);
        for (int i = 1; i <= 8; ++i) {
            m_desk->time.advance(1500);
            QTRY_COMPARE(m_received.size(), i);
        }
        m_sim->close(); // the server goes down after line 8
        QTRY_COMPARE(console().linkState(), LinkState::Lost);
        QCOMPARE(status(), console::status::kLost);
        run(3000); // tried at once, after 1 s and after 2 s: all refused
        QVERIFY(console().status().broadcast->paused);
        QVERIFY(m_sim->restart());
        // An attempt of the backoff finds it, and the console logs in again.
        QVERIFY(runUntil([&] { return console().linkState() == LinkState::LoggedIn; }, 6000));
        QVERIFY(!console().status().broadcast->paused);
        for (int i = 0; i < 13 && m_received.size() < 21; ++i) {
            m_desk->time.advance(1500);
            QCoreApplication::processEvents();
        }
        QTRY_VERIFY(m_received.size() >= 20);
        // In order, each line at least once, at most one twice.
        QStringList once = m_received;
        once.removeDuplicates();
        QCOMPARE(once, lines);
        QVERIFY(m_received.size() <= 21);
        QVERIFY(boxes.boxes.isEmpty());
        const QString log = logLines().join(u'\n');
        QVERIFY(log.contains(u"送信 リスト「お知らせ」 20/20：お知らせ20"_s));
        QVERIFY(log.contains(u"再接続しました"_s));
        QVERIFY(!log.contains(u"vexodrim"_s));
    }

    void aSilentServerIsLeftAndFoundAgain()
    {
        BoxRecorder boxes;
        start();
        m_sim->setMuteAfterFrames(1); // every connection has answered more than that
        QVERIFY(
            runUntil([&] { return console().linkState() != LinkState::LoggedIn; }, 21000, 1000));
        QVERIFY(m_desk->time.elapsedMs() >= 11000); // three polls went unanswered first
        m_sim->setMuteAfterFrames(0);
        QVERIFY(runUntil([&] { return console().linkState() == LinkState::LoggedIn; }, 6000, 1000));
        QVERIFY(logLines().join(u'\n').contains(u"切断：応答がありません"_s));
    }

    void aRefusedPasswordIsToldAndNotHammered()
    {
        BoxRecorder boxes;
        start();
        m_sim->setRefuseLogin(true);
        m_sim->close();
        QVERIFY(m_sim->restart());
        // Tried again at once; the login it had is refused this time.
        QVERIFY(runUntil([&] { return status() == console::status::kLoginRefused; }, 2000));
        QSignalSpy requests(m_sim.get(), &sim::VelmiraServer::requestReceived);
        run(60000, 5000);
        QCOMPARE(requests.size(), 0); // no login, no poll: nothing hammers the server
        QCOMPARE(status(), console::status::kLoginRefused);
        QVERIFY(m_desk->control(IDC_LOGIN)->isEnabled());
    }

    void aLiveMessageWithNoLinkStays()
    {
        BoxRecorder boxes;
        start();
        m_sim->close();
        QTRY_COMPARE(console().linkState(), LinkState::Lost);
        auto* live = m_desk->control<QLineEdit>(IDC_LIVE_TEXT);
        live->setText(u"聞こえますか"_s);
        QTest::keyClick(live, Qt::Key_Return);
        QCOMPARE(live->text(), u"聞こえますか"_s);
        QCOMPARE(status(), console::status::kLiveNotSent);
        QVERIFY(logLines().join(u'\n').contains(u"未送信 生声：聞こえますか"_s));
    }

    void anAccountDialogWithNoLinkSaysSo()
    {
        BoxRecorder boxes;
        start();
        sim::Account alice;
        alice.id = u"alice"_s;
        alice.digestText = QByteArray(32, 'a');
        m_sim->addAccount(alice);
        QSignalSpy requests(m_sim.get(), &sim::VelmiraServer::requestReceived);
        qsizetype before = -1;
        qsizetype sentWhileLost = -1;
        bool lost = false;
        setDialogRunner([&](QDialog& dialog) -> int {
            dialog.setModal(true);
            dialog.show();
            auto* list = control<QAbstractItemView>(&dialog, CVelmiraAccountDlg::IdAccounts);
            const bool listed = QTest::qWaitFor([&] { return list->model()->rowCount() == 1; });
            m_sim->close();
            lost =
                listed && QTest::qWaitFor([&] { return console().linkState() == LinkState::Lost; });
            before = requests.size();
            boxes.expect();
            // Choosing the account would ask for its details.
            list->setCurrentIndex(list->model()->index(0, 0));
            sentWhileLost = requests.size() - before;
            // Once the console has logged in again, the dialog left open works again.
            [&] {
                QVERIFY(m_sim->restart());
                QVERIFY(
                    runUntil([&] { return console().linkState() == LinkState::LoggedIn; }, 6000));
                QTest::mouseClick(control<QPushButton>(&dialog, CVelmiraAccountDlg::IdReload),
                                  Qt::LeftButton);
                list->selectionModel()->clear();
                list->setCurrentIndex(list->model()->index(0, 0));
                QTRY_COMPARE(control<QLineEdit>(&dialog, CVelmiraAccountDlg::IdAccountId)->text(),
                             u"alice"_s); // the details came over the new link
            }();
            return int(QDialog::Accepted);
        });
        QTest::mouseClick(m_desk->control(IDC_ACCOUNTS), Qt::LeftButton);
        QVERIFY(lost);
        QCOMPARE(boxes.texts(), QStringList{CVelmiraAccountDlg::noLinkText()});
        QCOMPARE(sentWhileLost, 0); // nothing was sent, nothing pretended
    }
};

QTEST_MAIN(TestLinkRecovery)
#include "TestLinkRecovery.moc"
