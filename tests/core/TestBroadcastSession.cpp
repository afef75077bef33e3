#include "FakeConnection.h"
#include "FrameReader.h"
#include "ManualTimeSource.h"

#include "console/BroadcastSession.h"
#include "console/LinkSupervisor.h"
#include "protocol/ServerPort.h"
#include "protocol/Wire.h"

#include <QTest>

#include <memory>

using namespace tolvane;
using namespace tolvane::console;
using namespace Qt::StringLiterals;
using testsupport::FakeConnection;
using testsupport::ManualTimeSource;

// The paced list broadcast on a scripted link: the pacing, the end, a stop, and the
// pause across a lost link.
class TestBroadcastSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<ManualTimeSource> m_time;
    std::unique_ptr<LinkSupervisor> m_link;
    std::unique_ptr<BroadcastSession> m_session;
    FakeConnection* m_connection = nullptr;
    QStringList m_events;

    QStringList sentTexts() const
    {
        QStringList out;
        for (const QByteArray& f : m_connection->sentWithCommand(protocol::CmdBroadcast))
            out.append(testsupport::broadcastText(f));
        return out;
    }

private Q_SLOTS:
    void init()
    {
        m_time = std::make_unique<ManualTimeSource>();
        auto connection = std::make_unique<FakeConnection>();
        m_connection = connection.get();
        m_link = std::make_unique<LinkSupervisor>(*m_time, std::move(connection), false);
        m_session = std::make_unique<BroadcastSession>(*m_time, *m_link);
        m_events.clear();
        connect(m_session.get(), &BroadcastSession::started, this,
                [this] { m_events.append(u"started"_s); });
        connect(m_session.get(), &BroadcastSession::finished, this,
                [this] { m_events.append(u"finished"_s); });
        connect(m_session.get(), &BroadcastSession::abandoned, this,
                [this] { m_events.append(u"abandoned"_s); });
        connect(m_session.get(), &BroadcastSession::pausedForLink, this,
                [this] { m_events.append(u"pausedForLink"_s); });
        m_link->start(u"127.0.0.1"_s, protocol::kServerPort);
        ManualTimeSource::deliverPostedEvents();
        m_connection->accept();
        m_session->setLines(u"list"_s, {u"a"_s, u"b"_s, u"c"_s});
    }
    void cleanup()
    {
        m_session.reset();
        m_link.reset();
        m_time.reset();
    }

    void sendsOneLineEvery1500msThenEnds()
    {
        m_session->StartBroadcast();
        m_time->advance(1499);
        QCOMPARE(sentTexts(), QStringList());
        m_time->advance(1);
        QCOMPARE(sentTexts(), QStringList{u"a"_s});
        m_time->advance(3000);
        QCOMPARE(sentTexts(), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
        QCOMPARE(m_events, (QStringList{u"started"_s, u"finished"_s}));
        QVERIFY(!m_session->isPacingTimerActive());
    }

    void stopEndsItAndWhilePausedNothingResumes()
    {
        m_session->StartBroadcast();
        m_time->advance(1500);
        m_session->StopBroadcast();
        QVERIFY(m_session->isPacingTimerActive()); // left armed; its ticks find nothing
        m_time->advance(3000);
        QCOMPARE(sentTexts(), QStringList{u"a"_s});

        m_session->StartBroadcast();
        m_session->pauseForLostLink();
        m_session->StopBroadcast();
        m_session->resume();
        QVERIFY(!m_session->isPaused());
        QCOMPARE(m_events,
                 (QStringList{u"started"_s, u"finished"_s, u"started"_s, u"abandoned"_s}));
    }

    void resumesWithTheLineUnderWay()
    {
        m_session->StartBroadcast();
        m_time->advance(3000); // a, b
        m_session->pauseForLostLink();
        QVERIFY(m_session->isPaused());
        QVERIFY(!m_session->isPacingTimerActive());
        m_time->advance(6000);
        QCOMPARE(sentTexts().size(), 2);
        m_session->resume();
        m_time->advance(4500);
        QCOMPARE(sentTexts(), (QStringList{u"a"_s, u"b"_s, u"b"_s, u"c"_s}));
    }

    void aLineIntoABrokenLinkWaits()
    {
        m_session->StartBroadcast();
        m_time->advance(1500); // a
        m_connection->drop();  // announced later, queued; the next line finds no link
        m_time->advance(1500);
        QVERIFY(m_session->isPaused());
        QVERIFY(!m_session->isPacingTimerActive());
        QCOMPARE(m_link->state(), LinkState::Reconnecting); // lost, and tried again at once
        m_connection->refuse();
        m_time->advance(1000);
        m_connection->refuse(); // the next attempt in 2 s
        // Already lost when a line fails: it says so itself.
        m_session->StopBroadcast();
        m_session->StartBroadcast();
        m_time->advance(1500);
        QCOMPARE(m_link->state(), LinkState::Lost);
        QCOMPARE(m_events.last(), u"pausedForLink"_s);
        QCOMPARE(sentTexts(), QStringList{u"a"_s});
    }

    void theLastLineIntoABrokenLinkGoesAgain()
    {
        m_session->StartBroadcast();
        m_time->advance(3000); // a, b
        m_connection->drop();  // the news of the close is still queued when "c" falls due
        m_time->advance(1500);
        QVERIFY(m_session->isPaused());
        QVERIFY(!m_events.contains(u"finished"_s));
        m_connection->accept();
        ManualTimeSource::deliverPostedEvents();
        m_session->resume();
        m_time->advance(1500);
        QCOMPARE(sentTexts(), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
        QCOMPARE(m_events.last(), u"finished"_s);
    }
};

QTEST_GUILESS_MAIN(TestBroadcastSession)
#include "TestBroadcastSession.moc"
