#pragma once

// Shared helpers of the tests: a recording peer that stands where the game server
// would, and a scripted message-box responder.

#include "ui/MessageBoxSeam.h"

#include <QQueue>
#include <QTcpServer>
#include <QTcpSocket>

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

// Records every box and answers from a script (OK when the script is empty).
class BoxRecorder
{
public:
    BoxRecorder()
    {
        tolvane::ui::setMessageBoxResponder([this](const tolvane::ui::MessageBoxRequest& r) {
            boxes.append({r.text, r.caption, r.buttons, r.icon, r.defaultButton});
            return answers.isEmpty() ? QMessageBox::Ok : answers.dequeue();
        });
    }
    ~BoxRecorder() { tolvane::ui::setMessageBoxResponder({}); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

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
