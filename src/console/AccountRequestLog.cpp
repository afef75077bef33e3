#include "console/AccountRequestLog.h"

#include "admin/AccountMessages.h"
#include "net/Notifications.h"

#include <QtGlobal>

#include <climits>

namespace tolvane::console {

using namespace Qt::StringLiterals;

namespace {

QString quoted(const QString& text)
{
    return u"「"_s + text + u"」"_s;
}

} // namespace

QString accountRequestLogText(int notification, qint64 kind, const admin::AccountStore& store,
                              qint64 pos)
{
    const QString id = notification == WM_ACCOUNT_CREATE_REQ
                           ? store.pending().newAccountId
                           : store.list().idAt(int(qBound(qint64(-1), pos, qint64(INT_MAX))));
    const QString who = u" ID="_s + quoted(id);
    switch (notification) {
    case WM_ACCOUNT_CREATE_REQ:
        return u"作成"_s + who;
    case WM_ACCOUNT_DELETE_REQ:
        return u"削除"_s + who;
    default:
        break;
    }
    using admin::ChangeKind;
    const std::optional<ChangeKind> change = admin::changeKindFromParam(kind);
    if (!change)
        return {}; // no request is built for it
    switch (*change) {
    case ChangeKind::Password:
        return u"パスワード変更"_s + who;
    case ChangeKind::CharacterName:
        return u"キャラ名変更"_s + who + u" 名前="_s + quoted(store.pending().newCharacterName);
    case ChangeKind::SendHome:
        return u"強制帰宅"_s + who;
    case ChangeKind::Suspend:
        return u"謹慎"_s + who + u" ログイン=拒否"_s;
    case ChangeKind::Lift:
        return u"謹慎解除"_s + who + u" ログイン=許可"_s;
    case ChangeKind::AuthorityNone:
        return u"権限変更"_s + who + u" 権限=None"_s;
    case ChangeKind::AuthorityNavi:
        return u"権限変更"_s + who + u" 権限=Navi"_s;
    case ChangeKind::AuthorityGm:
        return u"権限変更"_s + who + u" 権限=GM"_s;
    }
    return {};
}

} // namespace tolvane::console
