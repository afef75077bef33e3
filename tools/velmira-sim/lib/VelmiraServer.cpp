#include "VelmiraServer.h"

#include "ClientConnection.h"

#include "protocol/BroadcastRequest.h"
#include "protocol/SessionMessages.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <cstdio>

namespace tolvane::sim {

using namespace tolvane::protocol;

namespace {

QString permissionName(quint8 v)
{
    return v == 0   ? QStringLiteral("allowed")
           : v == 1 ? QStringLiteral("denied")
                    : QStringLiteral("?");
}

QString authorityName(quint8 v)
{
    switch (v) {
    case 0:
        return QStringLiteral("None");
    case 1:
        return QStringLiteral("Navi");
    case 2:
        return QStringLiteral("GM");
    default:
        return QStringLiteral("?");
    }
}

QString loginStateName(quint8 v)
{
    return v == 0 ? QStringLiteral("not logged in") : QStringLiteral("logged in");
}

// The console's operation behind a change, so the log tells which button the
// operator pressed.
QString operationName(protocol::ChangeKind kind)
{
    switch (kind) {
    case protocol::ChangeKind::Password:
        return QStringLiteral("password change");
    case protocol::ChangeKind::CharacterName:
        return QStringLiteral("character-name change");
    case protocol::ChangeKind::SendHome:
        return QStringLiteral("send home");
    case protocol::ChangeKind::Suspend:
        return QStringLiteral("suspend");
    case protocol::ChangeKind::Lift:
        return QStringLiteral("lift the suspension");
    case protocol::ChangeKind::AuthorityNone:
    case protocol::ChangeKind::AuthorityNavi:
    case protocol::ChangeKind::AuthorityGm:
        return QStringLiteral("authority change");
    }
    return {};
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + printableText(text) + QLatin1Char('"');
}

} // namespace

VelmiraServer::VelmiraServer(QObject* parent) : QObject(parent), m_tcp(new QTcpServer(this))
{
    connect(m_tcp, &QTcpServer::newConnection, this, &VelmiraServer::onNewConnection);
}

VelmiraServer::~VelmiraServer() = default;

bool VelmiraServer::listen(const SimOptions& options)
{
    close();
    m_error.clear();
    m_options = options;
    m_playerCount = options.playerCount;
    // Without a file the accounts added so far stay; a file replaces them.
    if (!options.accountsFile.isEmpty() || !m_store.path().isEmpty()) {
        QString error;
        if (!m_store.open(options.accountsFile, &error)) {
            m_error = error;
            return false;
        }
    }
    if (!m_tcp->listen(options.address, options.port)) {
        m_error = QStringLiteral("cannot listen on %1 port %2: %3")
                      .arg(options.address.toString())
                      .arg(options.port)
                      .arg(m_tcp->errorString());
        return false;
    }
    // A port of 0 asked the system for one; a restart comes back on the one it gave.
    m_options.address = m_tcp->serverAddress();
    m_options.port = m_tcp->serverPort();
    m_clock.start();
    return true;
}

void VelmiraServer::close()
{
    m_tcp->close();
    for (ClientConnection* client : findChildren<ClientConnection*>(Qt::FindDirectChildrenOnly))
        client->drop();
}

bool VelmiraServer::restart()
{
    SimOptions options = m_options; // the address and port it listened on last
    // What was set at run time (login refusal, silence, player count) stays.
    options.playerCount = m_playerCount;
    return listen(options);
}

void VelmiraServer::setMuteAfterFrames(int frames)
{
    m_options.muteAfterFrames = frames;
    for (ClientConnection* client : findChildren<ClientConnection*>(Qt::FindDirectChildrenOnly))
        client->setMuteAfterFrames(frames);
}

bool VelmiraServer::isListening() const
{
    return m_tcp->isListening();
}

quint16 VelmiraServer::serverPort() const
{
    return m_tcp->serverPort();
}

QHostAddress VelmiraServer::serverAddress() const
{
    return m_tcp->serverAddress();
}

int VelmiraServer::clientCount() const
{
    const QList<ClientConnection*> clients =
        findChildren<ClientConnection*>(Qt::FindDirectChildrenOnly);
    return int(std::count_if(clients.cbegin(), clients.cend(),
                             [](const ClientConnection* c) { return !c->isGone(); }));
}

bool VelmiraServer::addAccount(const Account& account)
{
    return m_store.add(account);
}

int VelmiraServer::seedAccounts(int count)
{
    return m_store.addGenerated(count);
}

const QByteArray& VelmiraServer::listReply()
{
    // A million IDs take a while to lay out; the same list is sent as it was.
    if (m_listReplyVersion != m_store.idsVersion()) {
        m_listReply = protocol::buildAccountListReply(m_store.ids());
        m_listReplyVersion = m_store.idsVersion();
    }
    return m_listReply;
}

void VelmiraServer::onNewConnection()
{
    while (QTcpSocket* socket = m_tcp->nextPendingConnection()) {
        auto* client = new ClientConnection(socket, m_options, this);
        logEvent(QStringLiteral("connected: %1").arg(client->peerText()));
        Q_EMIT clientConnected();
    }
}

void VelmiraServer::clientGone(ClientConnection* client)
{
    logEvent(QStringLiteral("disconnected: %1").arg(client->peerText()));
    Q_EMIT clientDisconnected();
}

RequestRecord VelmiraServer::newRecord(const Frame& frame) const
{
    RequestRecord record;
    record.timestamp = QDateTime::currentDateTime();
    record.msSinceEpoch = record.timestamp.toMSecsSinceEpoch();
    record.elapsedNs = m_clock.isValid() ? m_clock.nsecsElapsed() : 0;
    record.command = frame.command;
    record.name = commandName(frame.command);
    record.payload = frame.payload;
    return record;
}

void VelmiraServer::publish(RequestRecord& record, const QString& text)
{
    record.text = text;
    record.line = formatLogLine(record.timestamp, record.command, record.name, text);
    print(record.line);
    Q_EMIT requestReceived(record);
}

void VelmiraServer::logUnanswered(const Frame& frame, bool loginAccepted)
{
    RequestRecord record = newRecord(frame);
    QString text =
        QStringLiteral("%1 payload bytes, not answered (silent)").arg(frame.payload.size());
    if (!loginAccepted && frame.command != CmdLogin)
        text += QStringLiteral("  [before login]");
    publish(record, text);
}

QByteArray VelmiraServer::handleFrame(const Frame& frame, bool& loginAccepted)
{
    RequestRecord record = newRecord(frame);
    const bool wasLoggedIn = loginAccepted;
    QString text;
    QByteArray reply;
    std::optional<protocol::ParsedBroadcast> broadcast;

    switch (frame.command) {
    case CmdLogin: {
        const std::optional<QString> password = protocol::parseLoginRequest(frame.payload);
        const bool accepted =
            password && m_options.acceptLogin && *password == m_options.adminPassword;
        reply = protocol::buildLoginResult(accepted ? 1 : 0);
        if (accepted)
            loginAccepted = true;
        // The password itself is never shown, nor its length.
        text = !password  ? QStringLiteral("malformed, refused")
               : accepted ? QStringLiteral("******** accepted")
                          : QStringLiteral("******** refused");
        break;
    }
    case CmdPlayerCount:
        reply = protocol::buildPlayerCountReply(1, m_playerCount);
        text = QStringLiteral("%1 players").arg(m_playerCount);
        break;
    case CmdBroadcast:
        broadcast = protocol::parseBroadcastRequest(frame.payload);
        if (!broadcast) {
            text = QStringLiteral("malformed: N = %1 exceeds the %2 payload bytes, ignored")
                       .arg(getU16(frame.payload, 0))
                       .arg(frame.payload.size());
        } else {
            text = printableText(broadcast->text);
            if (!broadcast->terminated)
                text += QStringLiteral("  [N=%1, no terminator]").arg(broadcast->declaredBytes);
        }
        break;
    case CmdAccountList:
    case CmdAccountCreate:
    case CmdAccountDelete:
    case CmdAccountInfo:
    case CmdAccountChange:
        reply = handleAccountRequest(frame, &text);
        break;
    default:
        text = QStringLiteral("%1 payload bytes, ignored").arg(frame.payload.size());
        break;
    }

    if (!wasLoggedIn && frame.command != CmdLogin)
        text += QStringLiteral("  [before login]");
    publish(record, text);
    if (broadcast)
        Q_EMIT broadcastReceived(broadcast->text, frame.payload);
    return reply;
}

QByteArray VelmiraServer::handleAccountRequest(const Frame& frame, QString* text)
{
    const std::optional<protocol::AccountRequest> request =
        protocol::parseAccountRequest(frame.command, frame.payload);
    // A change is always answered with an empty 10052, which the console drops.
    const QByteArray changeReply =
        frame.command == CmdAccountChange ? makeFrame(CmdAccountChangeReply, 0) : QByteArray();
    if (!request) {
        *text = QStringLiteral("malformed (%1 payload bytes), ignored").arg(frame.payload.size());
        return changeReply;
    }
    const QString id = quoted(request->id);
    // A field without its terminator reads one unit longer than the field allows.
    const bool idFits = request->id.size() <= protocol::kMaxIdChars;

    switch (frame.command) {
    case CmdAccountList:
        *text = QStringLiteral("%1 accounts").arg(m_store.size());
        return listReply();
    case CmdAccountCreate: {
        if (request->id.isEmpty() || !idFits) {
            *text = QStringLiteral("%1  %2, ignored")
                        .arg(id, request->id.isEmpty() ? QStringLiteral("empty ID")
                                                       : QStringLiteral("ID without terminator"));
        } else if (!isDigestText(request->digestText)) {
            *text = id + QStringLiteral("  digest is not 32 lowercase hex digits, ignored");
        } else if (m_store.find(request->id)) {
            *text = id + QStringLiteral("  already exists, ignored");
        } else {
            Account a;
            a.id = request->id;
            a.digestText = request->digestText;
            m_store.add(a);
            *text = id + QStringLiteral("  created") + saveNote();
        }
        return {};
    }
    case CmdAccountDelete:
        if (m_store.remove(request->id))
            *text = id + QStringLiteral("  deleted") + saveNote();
        else
            *text = id + QStringLiteral("  unknown, ignored");
        return {};
    case CmdAccountInfo: {
        // An unknown ID is answered with that ID and empty fields, so the
        // console is not left waiting.
        protocol::AccountDetail detail;
        detail.id = request->id;
        if (const std::optional<Account> a = m_store.find(request->id)) {
            detail.digestText = a->digestText;
            detail.characterName = a->characterName;
            detail.loginPermission = a->loginPermission;
            detail.authority = a->authority;
            detail.loginState = a->loginState;
            *text = id;
        } else {
            *text = id + QStringLiteral("  unknown, empty fields sent");
        }
        if (request->field != protocol::FieldAll)
            *text += QStringLiteral("  (mask 0x%1; all fields sent)").arg(request->field, 0, 16);
        return protocol::buildAccountInfoReply(detail);
    }
    case CmdAccountChange:
        *text = applyChange(*request);
        return changeReply;
    default:
        return {};
    }
}

QString VelmiraServer::applyChange(const protocol::AccountRequest& request)
{
    const QString id = quoted(request.id);
    std::optional<Account> found = m_store.find(request.id);
    if (!found)
        return id + QStringLiteral("  unknown, ignored");
    Account a = *found;
    QString change;
    switch (request.field) {
    case protocol::FieldPassword:
        if (!isDigestText(request.digestText))
            return id + QStringLiteral("  password digest is not 32 lowercase hex digits, ignored");
        a.digestText = request.digestText;
        change = QStringLiteral("password digest → %1").arg(QString::fromLatin1(a.digestText));
        break;
    case protocol::FieldCharacterName:
        if (request.name.size() > protocol::kMaxNameChars)
            return id + QStringLiteral("  character name without terminator, ignored");
        a.characterName = request.name;
        change = QStringLiteral("character name → %1").arg(quoted(a.characterName));
        break;
    case protocol::FieldLoginPermission:
        a.loginPermission = request.value;
        change = QStringLiteral("login permission → %1 (%2)")
                     .arg(int(request.value))
                     .arg(permissionName(request.value));
        break;
    case protocol::FieldAuthority:
        a.authority = request.value;
        change = QStringLiteral("authority → %1 (%2)")
                     .arg(int(request.value))
                     .arg(authorityName(request.value));
        break;
    case protocol::FieldLoginState:
        a.loginState = request.value;
        change = QStringLiteral("login state → %1 (%2)")
                     .arg(int(request.value))
                     .arg(loginStateName(request.value));
        break;
    default:
        return id + QStringLiteral("  field selector 0x%1 is not one field, ignored")
                        .arg(request.field, 0, 16);
    }
    if (const std::optional<protocol::ChangeKind> kind =
            protocol::changeKindOf(request.field, request.value))
        change += QStringLiteral("  [") + operationName(*kind) + QLatin1Char(']');
    m_store.update(a);
    return id + QStringLiteral("  ") + change + saveNote();
}

QString VelmiraServer::saveNote() const
{
    const QString error = m_store.lastSaveError();
    return error.isEmpty() ? QString() : QStringLiteral("  [NOT SAVED: %1]").arg(error);
}

void VelmiraServer::logEvent(const QString& text)
{
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")) +
                         QStringLiteral("  ") + text;
    print(line);
}

void VelmiraServer::print(const QString& line)
{
    if (!m_options.quiet) {
        // UTF-8, one flush per line, so a person watching sees each request arrive.
        const QByteArray bytes = line.toUtf8() + '\n';
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
    }
    Q_EMIT lineLogged(line);
}

} // namespace tolvane::sim
