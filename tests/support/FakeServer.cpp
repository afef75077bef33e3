#include "FakeServer.h"

#include <QTest>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace testsupport {

FakeServer::FakeServer()
{
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        QTest::qFail(
            qPrintable(QStringLiteral("the fake server cannot listen: ") + m_server.errorString()),
            __FILE__, __LINE__);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = m_server.nextPendingConnection()) {
            m_socket = s;
            ++m_connections;
            s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            received.restart();
            connect(s, &QTcpSocket::readyRead, this, [this, s] { received.append(s->readAll()); });
        }
    });
}

bool FakeServer::connected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

void FakeServer::reply(const QByteArray& bytes)
{
    if (!connected()) {
        QTest::qFail("the fake server has no connection to reply on", __FILE__, __LINE__);
        return;
    }
    m_socket->write(bytes);
    m_socket->flush();
}

void FakeServer::closeOrderly()
{
    if (m_socket)
        m_socket->disconnectFromHost();
}

bool FakeServer::reset()
{
    if (!m_socket)
        return false;
    // A zero linger time turns the close into a reset.
    const linger now{1, 0};
#ifdef Q_OS_WIN
    if (::setsockopt(SOCKET(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                     reinterpret_cast<const char*>(&now), sizeof now) != 0)
        return false;
#else
    if (::setsockopt(int(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now) !=
        0)
        return false;
#endif
    m_socket->abort();
    return true;
}

FakeClient::FakeClient(quint16 port)
{
    connect(&socket, &QTcpSocket::readyRead, this, [this] { received.append(socket.readAll()); });
    socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
}

} // namespace testsupport
