#include "FakeServer.h"

#include "net/CClientASock.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace tolvane;
using namespace tolvane::net;
using testsupport::FakeServer;

class TestClientSocket : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeServer> m_server;

    bool connectPair(CClientASock& sock)
    {
        bool ok = false;
        [&] {
            const int before = m_server->connections();
            QSignalSpy connected(&sock, &net::CClientASock::connectFinished);
            sock.Connect(QStringLiteral("127.0.0.1"), m_server->port());
            QTRY_COMPARE(connected.size(), 1);
            QCOMPARE(connected.at(0).at(0).toInt(), 0);
            QTRY_COMPARE(m_server->connections(), before + 1);
            ok = true;
        }();
        return ok;
    }

private Q_SLOTS:
    void init() { m_server = std::make_unique<FakeServer>(); }
    void cleanup() { m_server.reset(); }

    void framesSplitAndCoalescedAreDispatchedOnceInOrder()
    {
        CClientASock sock;
        QSignalSpy frames(&sock, &CClientASock::frameReceived);
        QVERIFY(connectPair(sock));
        const QByteArray two = QByteArray::fromHex("040000001227"
                                                   "01000000"
                                                   "08000000e22e"
                                                   "0100000007000000");
        // First split: one byte at a time across two frames, then both in one write.
        for (char byte : two)
            m_server->reply(QByteArray(1, byte));
        m_server->reply(two);
        QTRY_COMPARE(frames.size(), 4);
        for (int i = 0; i < 4; i += 2) {
            const auto login = frames[i][0].value<protocol::Frame>();
            const auto count = frames[i + 1][0].value<protocol::Frame>();
            QCOMPARE(login.command, quint16(10002));
            QCOMPARE(count.command, quint16(12002));
            QCOMPARE(count.payload, QByteArray::fromHex("0100000007000000"));
        }
    }

    void requestSentWhole()
    {
        CClientASock sock;
        QVERIFY(connectPair(sock));
        const QByteArray big(200000, 'z');
        sock.Send(protocol::encodeFrame(12011, big));
        QTRY_COMPARE(m_server->received.bytes().size(), 200006);
        QCOMPARE(m_server->received.frames().size(), 1);
        QCOMPARE(m_server->received.bytes().first(6).toHex(), QByteArray("400d0300eb2e"));
    }

    void afterPeerClosesSendsNothingAndPartialFrameIsDropped()
    {
        CClientASock sock;
        QSignalSpy frames(&sock, &CClientASock::frameReceived);
        QVERIFY(connectPair(sock));
        m_server->reply(QByteArray::fromHex("0400000012270100"));
        QSignalSpy lost(&sock, &net::CClientASock::closed);
        m_server->closeOrderly();
        QTRY_VERIFY(sock.isClosed());
        QCOMPARE(lost.size(), 1); // once, and never with the code of success
        QVERIFY(lost.at(0).at(0).toInt() != 0);
        QVERIFY(!sock.Send(protocol::encodeFrame(12001, {})));
        QVERIFY(frames.isEmpty());
        // A close of our own is no loss.
        QVERIFY(connectPair(sock));
        sock.Close();
        QCOMPARE(lost.size(), 1);
    }

    void everySocketErrorIsAFailure_data()
    {
        QTest::addColumn<int>("error");
        for (int e = int(QAbstractSocket::UnknownSocketError);
             e <= int(QAbstractSocket::OperationError); ++e)
            QTest::addRow("%d", e) << e;
    }
    void everySocketErrorIsAFailure()
    {
        QFETCH(int, error);
        QVERIFY(CClientASock::errorCode(QAbstractSocket::SocketError(error)) != 0);
    }

    void refusedConnectionIsReported()
    {
        const quint16 port = m_server->port();
        m_server.reset();
        CClientASock sock;
        QSignalSpy connected(&sock, &net::CClientASock::connectFinished);
        sock.Connect(QStringLiteral("127.0.0.1"), port);
        QTRY_COMPARE(connected.size(), 1);
        QVERIFY(connected.at(0).at(0).toInt() != 0);
        QVERIFY(sock.isClosed());
        sock.Send(protocol::encodeFrame(12001, {})); // silently nothing
    }

    void unresolvableNameIsToldApart()
    {
        CClientASock sock;
        QSignalSpy connected(&sock, &net::CClientASock::connectFinished);
        sock.Connect(QStringLiteral("no such host"));
        QTRY_COMPARE(connected.size(), 1);
        QCOMPARE(connected.at(0).at(0).toInt(), ServerConnection::kHostNotFound);
        QVERIFY(sock.isClosed());
    }
};

QTEST_GUILESS_MAIN(TestClientSocket)
#include "TestClientSocket.moc"
