#pragma once

#include "admin/AccountStore.h"
#include "console/OperatorPrompts.h"
#include "protocol/AccountMessages.h"

#include <QObject>

namespace tolvane::console {

class LinkSupervisor;

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
    // `link` and `prompts` outlive the service. It reads the account replies among
    // the link's frames itself.
    AccountService(LinkSupervisor& link, OperatorPrompts& prompts, QObject* parent = nullptr);

    // Whether a request would reach the server now.
    bool isLinkUp() const;

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

    // The latest replies.
    const admin::AccountStore& store() const { return m_store; }

Q_SIGNALS:
    // A list reply arrived: its whole payload, shared (it may be tens of MiB).
    void listReceived(const QByteArray& reply);
    // A detail reply arrived; what it did not carry reads as empty or 0.
    void detailsReceived(const tolvane::protocol::AccountDetail& detail);
    // A line for the operator's log.
    void logged(const QString& text);

private:
    void onFrameReceived(const protocol::Frame& frame);
    void change(const protocol::AccountId& account, protocol::ChangeKind kind,
                const QString& newPassword = {}, const QString& newName = {});
    void send(const QByteArray& frame, const QString& action = {});

    LinkSupervisor& m_link;
    OperatorPrompts& m_prompts;
    admin::AccountStore m_store;
};

} // namespace tolvane::console
