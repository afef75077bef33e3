#include "net/CClientASock.h"
#include "net/Notifications.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace tolvane;

namespace {
// Counts the WM_FRAME_RECEIVED notifications posted to the owner and takes the frames.
class Owner : public QObject
{
public:
    explicit Owner(CClientASock& sock) : m_sock(sock) {}
    QList<wire::Frame> frames;
    bool event(QEvent* e) override
    {
        if (int(e->type()) != WM_FRAME_RECEIVED)
            return QObject::event(e);
        frames.append(m_sock.takeFrame());
        return true;
    }

private:
    CClientASock& m_sock;
};
} // namespace

class TestClientSocket : public QObject
{
    Q_OBJECT

    QTcpServer m_server;
    QTcpSocket* m_peer = nullptr;

    void connectPair(CClientASock& sock)
    {
        QSignalSpy connected(&sock, &CClientASock::OnConnect);
        sock.Connect(QStringLiteral("127.0.0.1"), m_server.serverPort());
        QTRY_COMPARE(connected.size(), 1);
        QCOMPARE(connected.at(0).at(0).toInt(), 0);
        QTRY_VERIFY(m_server.hasPendingConnections());
        m_peer = m_server.nextPendingConnection();
    }

private Q_SLOTS:
    void init() { QVERIFY(m_server.listen(QHostAddress::LocalHost, 0)); }
    void cleanup()
    {
        delete m_peer;
        m_peer = nullptr;
        m_server.close();
    }

    void framesSplitAndCoalescedAreDispatchedOnceInOrder()
    {
        CClientASock sock;
        Owner owner(sock);
        sock.setOwner(&owner);
        connectPair(sock);
        const QByteArray two = QByteArray::fromHex("040000001227"
                                                   "01000000"
                                                   "08000000e22e"
                                                   "0100000007000000");
        // First split: one byte at a time across two frames, then both in one write.
        for (char byte : two) {
            m_peer->write(&byte, 1);
            m_peer->flush();
        }
        m_peer->write(two);
        m_peer->flush();
        QTRY_COMPARE(owner.frames.size(), 4);
        for (int i = 0; i < 4; i += 2) {
            QCOMPARE(owner.frames[i].command, quint16(10002));
            QCOMPARE(owner.frames[i + 1].command, quint16(12002));
            QCOMPARE(owner.frames[i + 1].payload, QByteArray::fromHex("0100000007000000"));
        }
    }

    void requestSentWhole()
    {
        CClientASock sock;
        connectPair(sock);
        const QByteArray big(200000, 'z');
        sock.Send(wire::encodeFrame(12011, big));
        QByteArray received;
        QTRY_VERIFY((received += m_peer->readAll()).size() >= 200006);
        QCOMPARE(received.size(), 200006);
        QCOMPARE(received.first(6).toHex(), QByteArray("400d0300eb2e"));
    }

    void oversizedFrameClosesTheLink()
    {
        CClientASock sock;
        Owner owner(sock);
        sock.setOwner(&owner);
        connectPair(sock);
        m_peer->write(QByteArray::fromHex("010010001227"));
        QTRY_VERIFY(sock.isClosed());
        QTRY_COMPARE(m_peer->state(), QAbstractSocket::UnconnectedState);
        QVERIFY(owner.frames.isEmpty());
    }

    void afterPeerClosesSendsNothingAndPartialFrameIsDropped()
    {
        CClientASock sock;
        Owner owner(sock);
        sock.setOwner(&owner);
        connectPair(sock);
        m_peer->write(QByteArray::fromHex("0400000012270100"));
        m_peer->flush();
        QSignalSpy lost(&sock, &CClientASock::OnClose);
        m_peer->disconnectFromHost();
        QTRY_VERIFY(sock.isClosed());
        QCOMPARE(lost.size(), 1); // once, and never with the code of success
        QVERIFY(lost.at(0).at(0).toInt() != 0);
        QVERIFY(!sock.Send(wire::encodeFrame(12001, {})));
        QVERIFY(owner.frames.isEmpty());
        // A close of our own is no loss.
        connectPair(sock);
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
        const quint16 port = m_server.serverPort();
        m_server.close();
        CClientASock sock;
        QSignalSpy connected(&sock, &CClientASock::OnConnect);
        sock.Connect(QStringLiteral("127.0.0.1"), port);
        QTRY_COMPARE(connected.size(), 1);
        QVERIFY(connected.at(0).at(0).toInt() != 0);
        QVERIFY(sock.isClosed());
        sock.Send(wire::encodeFrame(12001, {})); // silently nothing
    }

    void unresolvableNameIsToldApart()
    {
        CClientASock sock;
        QSignalSpy connected(&sock, &CClientASock::OnConnect);
        sock.Connect(QStringLiteral("no such host"));
        QTRY_COMPARE(connected.size(), 1);
        QCOMPARE(connected.at(0).at(0).toInt(), ServerConnection::kHostNotFound);
        QVERIFY(sock.isClosed());
    }
};

QTEST_GUILESS_MAIN(TestClientSocket)
#include "TestClientSocket.moc"
