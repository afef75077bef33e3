#include "console/AccountService.h"

#include "console/LinkSupervisor.h"

namespace tolvane::console {

using namespace Qt::StringLiterals;
using protocol::AccountId;
using protocol::ChangeKind;

namespace {

QString quoted(const QString& text)
{
    return u"「"_s + text + u"」"_s;
}

QString who(const QString& id)
{
    return u" ID="_s + quoted(id);
}

// What a change does, for the operator's log; never a password or a digest.
QString changeAction(const AccountId& account, ChangeKind kind, const QString& newName)
{
    const QString id = who(account.text());
    switch (kind) {
    case ChangeKind::Password:
        return u"パスワード変更"_s + id;
    case ChangeKind::CharacterName:
        return u"キャラ名変更"_s + id + u" 名前="_s + quoted(newName);
    case ChangeKind::SendHome:
        return u"強制帰宅"_s + id;
    case ChangeKind::Suspend:
        return u"謹慎"_s + id + u" ログイン=拒否"_s;
    case ChangeKind::Lift:
        return u"謹慎解除"_s + id + u" ログイン=許可"_s;
    case ChangeKind::AuthorityNone:
        return u"権限変更"_s + id + u" 権限=None"_s;
    case ChangeKind::AuthorityNavi:
        return u"権限変更"_s + id + u" 権限=Navi"_s;
    case ChangeKind::AuthorityGm:
        return u"権限変更"_s + id + u" 権限=GM"_s;
    }
    return {};
}

} // namespace

AccountService::AccountService(LinkSupervisor& link, OperatorPrompts& prompts, QObject* parent)
    : QObject(parent), m_link(link), m_prompts(prompts)
{
    connect(&m_link, &LinkSupervisor::frameReceived, this, &AccountService::onFrameReceived);
}

bool AccountService::isLinkUp() const
{
    return m_link.isUp();
}

void AccountService::send(const QByteArray& frame, const QString& action)
{
    const bool sent = m_link.send(frame);
    if (!action.isEmpty())
        Q_EMIT logged((sent ? u"アカウント "_s : u"未送信 アカウント "_s) + action);
    // The dialog checks the link first; this is for a link that broke since.
    if (!sent)
        m_prompts.inform(OperatorPrompts::Notice::AccountRequestNotSent);
}

void AccountService::requestList()
{
    send(protocol::buildAccountListRequest());
}

void AccountService::requestDetails(const AccountId& account)
{
    if (!account.isNull())
        send(protocol::buildAccountInfoRequest(account.field()));
}

void AccountService::create(const QString& id, const QString& password)
{
    const QString cutId = admin::cutToCapacity(id, protocol::kMaxIdChars);
    send(protocol::buildCreateAccountRequest(
             cutId, admin::cutToCapacity(password, protocol::kMaxPasswordChars)),
         u"作成"_s + who(cutId));
}

void AccountService::remove(const AccountId& account)
{
    if (!account.isNull())
        send(protocol::buildDeleteAccountRequest(account.field()), u"削除"_s + who(account.text()));
}

void AccountService::sendHome(const AccountId& account)
{
    change(account, ChangeKind::SendHome);
}

void AccountService::suspend(const AccountId& account)
{
    change(account, ChangeKind::Suspend);
}

void AccountService::lift(const AccountId& account)
{
    change(account, ChangeKind::Lift);
}

void AccountService::changePassword(const AccountId& account, const QString& newPassword)
{
    change(account, ChangeKind::Password,
           admin::cutToCapacity(newPassword, protocol::kMaxPasswordChars));
}

void AccountService::changeName(const AccountId& account, const QString& newName)
{
    change(account, ChangeKind::CharacterName, {},
           admin::cutToCapacity(newName, protocol::kMaxNameChars));
}

void AccountService::changeAuthority(const AccountId& account, protocol::Authority authority)
{
    change(account, protocol::authorityChangeKind(authority));
}

void AccountService::change(const AccountId& account, ChangeKind kind, const QString& newPassword,
                            const QString& newName)
{
    if (account.isNull())
        return;
    send(protocol::buildChangeAccountRequest(account.field(), kind, newPassword, newName),
         changeAction(account, kind, newName));
}

void AccountService::onFrameReceived(const protocol::Frame& frame)
{
    if (frame.command == protocol::CmdAccountListReply) {
        m_store.storeListReply(frame.payload);
        Q_EMIT listReceived(m_store.listReply());
    } else if (frame.command == protocol::CmdAccountInfoReply) {
        m_store.storeDetailReply(frame.payload);
        Q_EMIT detailsReceived(m_store.detail());
    }
}

} // namespace tolvane::console
