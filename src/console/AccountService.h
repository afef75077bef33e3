#pragma once

#include "admin/AccountStore.h"
#include "console/OperatorPrompts.h"
#include "protocol/AccountMessages.h"

#include <QObject>

#include <functional>

namespace tolvane::console {

// The console's account operations, as typed calls that name an account by its ID,
// and the server's replies to them as typed signals. The ID is the one captured
// when the operator chose the account, so a list reply that arrives in between
// (while a confirmation box is open, say) cannot turn a request against another
// account. Every action that changes an account goes into the operator's log, never
// with a password or a digest; a request that finds no link is told to the operator.
class AccountService : public QObject
{
    Q_OBJECT
public:
    // Hands a frame to the connection; false when it could not go out.
    using Send = std::function<bool(const QByteArray& frame)>;
    using LinkCheck = std::function<bool()>;
    using Log = std::function<void(const QString& line)>;

    // `prompts` outlives the service.
    AccountService(Send send, LinkCheck linkUp, Log log, OperatorPrompts& prompts,
                   QObject* parent = nullptr);

    // Whether a request would reach the server now.
    bool isLinkUp() const { return m_linkUp(); }

    // Requests; one that names a null account sends nothing. Texts are cut to their
    // fields (24, 33 and 12 characters) as the requests carry them.
    void requestList();
    void requestDetails(const protocol::AccountId& account);
    void create(const QString& id, const QString& password);
    void remove(const protocol::AccountId& account);
    void sendHome(const protocol::AccountId& account);
    void suspend(const protocol::AccountId& account);
    void lift(const protocol::AccountId& account);
    void changePassword(const protocol::AccountId& account, const QString& newPassword);
    void changeName(const protocol::AccountId& account, const QString& newName);
    void changeAuthority(const protocol::AccountId& account, protocol::Authority authority);

    // The server's replies, handed over by whoever reads the connection.
    void receiveListReply(const QByteArray& payload);
    void receiveDetailReply(QByteArrayView payload);

    // The latest replies.
    const admin::AccountStore& store() const { return m_store; }

Q_SIGNALS:
    // A list reply arrived: its whole payload, shared (it may be tens of MiB).
    void listReceived(const QByteArray& reply);
    // A detail reply arrived; what it did not carry reads as empty or 0.
    void detailsReceived(const tolvane::protocol::AccountDetail& detail);

private:
    void change(const protocol::AccountId& account, protocol::ChangeKind kind,
                const QString& newPassword = {}, const QString& newName = {});
    void send(const QByteArray& frame, const QString& action = {});

    Send m_send;
    LinkCheck m_linkUp;
    Log m_log;
    OperatorPrompts& m_prompts;
    admin::AccountStore m_store;
};

} // namespace tolvane::console
