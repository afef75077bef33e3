#pragma once

// Shared helpers of the tests: a recording peer that stands where the game server
// would, and a scripted message-box responder.

#include "ui/MessageBoxSeam.h"

#include <QQueue>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace testsupport {

// Accepts one connection and keeps every byte the console sends, frame by frame.
class RecordingPeer : public QObject
{
public:
    RecordingPeer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_socket = m_server.nextPendingConnection();
            QObject::connect(m_socket, &QTcpSocket::readyRead, this,
                             [this] { m_bytes += m_socket->readAll(); });
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    bool connected() const { return m_socket != nullptr; }
    void reply(const QByteArray& bytes)
    {
        m_socket->write(bytes);
        m_socket->flush();
    }
    // Whole frames received so far, in order.
    QList<QByteArray> frames() const
    {
        QList<QByteArray> out;
        qsizetype pos = 0;
        while (pos + 6 <= m_bytes.size()) {
            const quint32 len = quint8(m_bytes[pos]) | quint8(m_bytes[pos + 1]) << 8 |
                                quint8(m_bytes[pos + 2]) << 16 |
                                quint32(quint8(m_bytes[pos + 3])) << 24;
            if (pos + 6 + qsizetype(len) > m_bytes.size())
                break;
            out.append(m_bytes.mid(pos, 6 + len));
            pos += 6 + len;
        }
        return out;
    }
    QList<QByteArray> framesWithCommand(quint16 command) const
    {
        QList<QByteArray> out;
        for (const QByteArray& f : frames()) {
            if ((quint8(f[4]) | quint8(f[5]) << 8) == command)
                out.append(f);
        }
        return out;
    }
    void clear() { m_bytes.clear(); }
    // The server goes away: the console's connection is closed from this side.
    void disconnectClient()
    {
        if (m_socket)
            m_socket->disconnectFromHost();
    }

private:
    QTcpServer m_server;
    QTcpSocket* m_socket = nullptr;
    QByteArray m_bytes;
};

struct RecordedBox
{
    QString text;
    QString caption;
    QMessageBox::StandardButtons buttons;
    tolvane::ui::MsgIcon icon;
    QMessageBox::StandardButton defaultButton;
};

// Records every box and answers it from the script. A box the test did not script
// fails the test, naming its text and caption, and is answered with Cancel.
class BoxRecorder
{
public:
    BoxRecorder()
    {
        tolvane::ui::setMessageBoxResponder([this](const tolvane::ui::MessageBoxRequest& r) {
            boxes.append({r.text, r.caption, r.buttons, r.icon, r.defaultButton});
            if (answers.isEmpty()) {
                QTest::qFail(qPrintable(QStringLiteral("unexpected message box \"%1\" captioned "
                                                       "\"%2\"")
                                            .arg(r.text, r.caption)),
                             __FILE__, __LINE__);
                return QMessageBox::Cancel;
            }
            return answers.dequeue();
        });
    }
    ~BoxRecorder() { tolvane::ui::setMessageBoxResponder({}); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    // The next `count` boxes are expected and answered with `answer`.
    void expect(QMessageBox::StandardButton answer = QMessageBox::Ok, int count = 1)
    {
        for (int i = 0; i < count; ++i)
            answers.enqueue(answer);
    }
    // Every scripted box has come.
    bool done() const { return answers.isEmpty(); }

    QStringList texts() const
    {
        QStringList out;
        for (const auto& b : boxes)
            out.append(b.text);
        return out;
    }

    QList<RecordedBox> boxes;
    QQueue<QMessageBox::StandardButton> answers;
};

} // namespace testsupport
