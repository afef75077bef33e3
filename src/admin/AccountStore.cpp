#include "admin/AccountStore.h"

#include "net/Notifications.h"

#include <limits>

namespace tolvane::admin {

QString cutToCapacity(const QString& text, int capacity)
{
    qsizetype end = text.indexOf(QChar(u'\0'));
    if (end < 0)
        end = text.size();
    end = qMin<qsizetype>(end, qMax(capacity, 0));
    // A lone high surrogate would reach the server as malformed UTF-16 and
    // change the password digest; drop it with its missing half.
    if (end > 0 && end < text.size() && text.at(end - 1).isHighSurrogate() &&
        text.at(end).isLowSurrogate())
        --end;
    return text.left(end);
}

AccountStore::AccountStore()
    : m_list(kListHeadSize, '\0'), // no reply yet: a count of 0
      m_detail(kDetailRecordSize, '\0')
{}

void AccountStore::storeListReply(QByteArrayView payload)
{
    m_list = payload.toByteArray();
}

void AccountStore::storeListReply(const QByteArray& payload)
{
    m_list = payload;
}

void AccountStore::storeDetailReply(QByteArrayView payload)
{
    // A reply shorter than the record must not leave the previous account's
    // fields behind it: what the reply does not carry reads as empty.
    m_detail.fill('\0');
    const qsizetype n = qMin<qsizetype>(payload.size(), kDetailRecordSize);
    if (n > 0)
        memcpy(m_detail.data(), payload.data(), size_t(n));
}

void AccountStore::setNewAccountId(const QString& text)
{
    m_pending.newAccountId = cutToCapacity(text, kMaxIdChars);
}

void AccountStore::setNewAccountPassword(const QString& text)
{
    m_pending.newAccountPassword = cutToCapacity(text, kMaxPasswordChars);
}

void AccountStore::setNewPassword(const QString& text)
{
    m_pending.newPassword = cutToCapacity(text, kMaxPasswordChars);
}

void AccountStore::setNewCharacterName(const QString& text)
{
    m_pending.newCharacterName = cutToCapacity(text, kMaxNameChars);
}

std::optional<IdField> AccountStore::idFieldAt(qint64 position) const
{
    if (position < 0 || position > std::numeric_limits<int>::max())
        return std::nullopt;
    const AccountListView view = list();
    if (!view.validPosition(int(position)))
        return std::nullopt;
    // The record's raw field: an ID the server sent without a terminator goes
    // back exactly as it came.
    return view.idFieldAt(int(position));
}

std::optional<QByteArray> AccountStore::buildRequest(int notification, qint64 wParam,
                                                     qint64 lParam) const
{
    switch (notification) {
    case WM_ACCOUNT_LIST_REQ:
        return buildAccountListRequest();
    case WM_ACCOUNT_CREATE_REQ:
        return buildCreateAccountRequest(m_pending.newAccountId, m_pending.newAccountPassword);
    case WM_ACCOUNT_DELETE_REQ:
        if (const auto id = idFieldAt(wParam))
            return buildDeleteAccountRequest(*id);
        return std::nullopt;
    case WM_ACCOUNT_INFO_REQ:
        if (const auto id = idFieldAt(wParam))
            return buildAccountInfoRequest(*id);
        return std::nullopt;
    case WM_ACCOUNT_CHANGE_REQ: {
        const std::optional<ChangeKind> kind = changeKindFromParam(lParam);
        if (!kind)
            return std::nullopt;
        if (const auto id = idFieldAt(wParam))
            return buildChangeAccountRequest(*id, *kind, m_pending.newPassword,
                                             m_pending.newCharacterName);
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace tolvane::admin
