#pragma once

#include "Account.h"
#include "RequestRecord.h"
#include "ServerAccounts.h"
#include "SimOptions.h"

#include "protocol/AccountMessages.h"
#include "protocol/Wire.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <optional>

class QTcpServer;

namespace tolvane::sim {

class ClientConnection;

// The substitute game server: answers the console's requests by the protocol's
// rules, logs every request it receives, and never sends anything first.
class VelmiraServer : public QObject
{
    Q_OBJECT

public:
    explicit VelmiraServer(QObject* parent = nullptr);
    ~VelmiraServer() override;

    // Opens the accounts file (if any) and starts listening. False, with
    // errorString(), when the accounts file is unusable or the port cannot be had.
    bool listen(const SimOptions& options);
    // Stops listening and cuts every connection, as a server that goes down. The
    // same port can be listened on again at once.
    void close();
    // close(), then listen() again on the same address and port with the same
    // options: a server restart.
    bool restart();
    bool isListening() const;
    QString errorString() const { return m_error; }
    quint16 serverPort() const;
    QHostAddress serverAddress() const;
    const SimOptions& options() const { return m_options; }
    int clientCount() const;

    void setPlayerCount(qint32 count) { m_playerCount = count; }
    qint32 playerCount() const { return m_playerCount; }
    // Logins from now on are refused (result 0) or judged by the password again.
    void setRefuseLogin(bool refuse) { m_options.acceptLogin = !refuse; }
    // As SimOptions::muteAfterFrames, for the open connections (counted from
    // their start, so one that has handled N frames falls silent at once) and
    // later ones; 0 answers again.
    void setMuteAfterFrames(int frames);

    QStringList accountIds() const { return m_store.ids(); }
    QList<Account> accounts() const { return m_store.accounts(); }
    std::optional<Account> account(const QString& id) const { return m_store.find(id); }
    // False when the ID is already taken.
    bool addAccount(const Account& account);
    // Adds `count` generated accounts (see ServerAccounts::addGenerated); returns
    // the number added.
    int seedAccounts(int count);

Q_SIGNALS:
    void requestReceived(const tolvane::sim::RequestRecord& record);
    void broadcastReceived(const QString& text, const QByteArray& rawPayload);
    void clientConnected();
    void clientDisconnected();
    // Every line the server logs: one per request, plus connection events.
    void lineLogged(const QString& line);

private:
    friend class ClientConnection;

    void onNewConnection();
    // Handles one request frame of a client; returns the reply frame, or nothing.
    QByteArray handleFrame(const protocol::Frame& frame, bool& loginAccepted);
    // Logs a request that a silent connection reads and leaves unanswered.
    void logUnanswered(const protocol::Frame& frame, bool loginAccepted);
    RequestRecord newRecord(const protocol::Frame& frame) const;
    void publish(RequestRecord& record, const QString& text);
    const QByteArray& listReply();
    QByteArray handleAccountRequest(const protocol::Frame& frame, QString* text);
    QString applyChange(const protocol::AccountRequest& request);
    QString saveNote() const;
    void clientGone(ClientConnection* client);
    void logEvent(const QString& text);
    void print(const QString& line);

    QTcpServer* m_tcp;
    SimOptions m_options;
    ServerAccounts m_store;
    qint32 m_playerCount = 12;
    QString m_error;
    QElapsedTimer m_clock;
    // The last list reply built, while the IDs are those it was built from.
    QByteArray m_listReply;
    std::optional<quint64> m_listReplyVersion;
};

} // namespace tolvane::sim
