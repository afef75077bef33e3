#pragma once

#include "admin/AccountMessages.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace tolvane::admin {

// Texts a request needs besides the account ID. The account dialog writes them
// right before it posts the notification that uses them.
struct PendingAccountValues
{
    QString newAccountId;       // at most kMaxIdChars units
    QString newAccountPassword; // at most kMaxPasswordChars units
    QString newPassword;        // at most kMaxPasswordChars units
    QString newCharacterName;   // at most kMaxNameChars units
};

// What the main window keeps for account administration: the latest list and
// detail replies, and the pending values. Request notifications name accounts
// only by their position in the stored list reply.
class AccountStore
{
public:
    AccountStore();

    // The whole payload of the latest list reply replaces the previous one. A
    // QByteArray is kept as it is, not copied: a list reply may be tens of MiB.
    void storeListReply(QByteArrayView payload);
    void storeListReply(const QByteArray& payload);
    // A view of the stored list reply; valid until the next storeListReply.
    AccountListView list() const { return AccountListView(m_list); }
    // The stored list reply itself, shared: it stays valid after the next reply.
    QByteArray listReply() const { return m_list; }

    // The detail reply is a fixed record, cleared before each reply is copied in:
    // fields a shorter payload does not carry read as empty or 0, a longer payload
    // is copied only as far as the record goes.
    void storeDetailReply(QByteArrayView payload);
    AccountDetail detail() const { return readAccountDetail(m_detail); }
    QByteArrayView detailRecord() const { return m_detail; }

    const PendingAccountValues& pending() const { return m_pending; }
    // Each setter keeps the text up to its first zero unit and cuts it to the
    // field's capacity.
    void setNewAccountId(const QString& text);
    void setNewAccountPassword(const QString& text);
    void setNewPassword(const QString& text);
    void setNewCharacterName(const QString& text);

    // The frame for a request notification (WM_ACCOUNT_*_REQ with its two
    // parameters), or nullopt when it must send nothing: an unknown notification,
    // a list position that names no record present, or a change kind outside 1..8.
    std::optional<QByteArray> buildRequest(int notification, qint64 wParam, qint64 lParam) const;

private:
    std::optional<IdField> idFieldAt(qint64 position) const;

    QByteArray m_list;
    QByteArray m_detail;
    PendingAccountValues m_pending;
};

// The first `capacity` UTF-16 units of `text`, up to its first zero unit,
// without leaving half of a surrogate pair at the end.
QString cutToCapacity(const QString& text, int capacity);

} // namespace tolvane::admin
