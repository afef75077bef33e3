#pragma once

#include "SimOptions.h"

#include "protocol/FrameAssembler.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

class QTcpSocket;

namespace tolvane::sim {

class VelmiraServer;

// One console connection: reassembles its request frames, hands each to the
// server, and writes the replies whole, in pieces or held together, as the
// options say.
class ClientConnection : public QObject
{
    Q_OBJECT

public:
    ClientConnection(QTcpSocket* socket, const SimOptions& options, VelmiraServer* server);
    ~ClientConnection() override;

    QString peerText() const { return m_peer; }
    bool loginAccepted() const { return m_loginAccepted; }
    bool isGone() const { return m_gone; }
    // 0 answers every request; N > 0 answers the first N request frames of the
    // connection and then only reads and logs, as a server that hangs.
    void setMuteAfterFrames(int frames) { m_muteAfterFrames = frames; }
    // Cuts the connection at once, as a server that stops does.
    void drop();

private:
    void onReadyRead();
    void onDisconnected();
    void queueReply(const QByteArray& reply);
    void flushHeld();
    void send(const QByteArray& bytes);
    void writeNextPiece();
    void beginClose(const QString& reason);
    void closeWhenDrained();

    QTcpSocket* m_socket;
    VelmiraServer* m_server;
    SimOptions m_options;
    QString m_peer;
    protocol::FrameAssembler m_assembler;
    QList<QByteArray> m_held;
    QTimer m_coalesceTimer;
    QByteArray m_outgoing; // bytes of replies in chunked mode, from m_outgoingPos on
    qsizetype m_outgoingPos = 0;
    QTimer m_chunkTimer;
    int m_framesHandled = 0;
    int m_muteAfterFrames = 0;
    bool m_closing = false;
    bool m_gone = false;
    bool m_loginAccepted = false;
};

} // namespace tolvane::sim
