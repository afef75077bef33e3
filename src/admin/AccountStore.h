#pragma once

#include "protocol/AccountMessages.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tolvane::admin {

// The latest account list and detail replies, as the account service keeps them.
class AccountStore
{
public:
    AccountStore();

    // The whole payload of the latest list reply replaces the previous one. A
    // QByteArray is kept as it is, not copied: a list reply may be tens of MiB.
    void storeListReply(QByteArrayView payload);
    void storeListReply(const QByteArray& payload);
    // A view of the stored list reply; valid until the next storeListReply.
    protocol::AccountListView list() const { return protocol::AccountListView(m_list); }
    // The stored list reply itself, shared: it stays valid after the next reply.
    QByteArray listReply() const { return m_list; }

    // The detail reply is a fixed record, cleared before each reply is copied in:
    // fields a shorter payload does not carry read as empty or 0, a longer payload
    // is copied only as far as the record goes.
    void storeDetailReply(QByteArrayView payload);
    protocol::AccountDetail detail() const { return protocol::readAccountDetail(m_detail); }
    QByteArrayView detailRecord() const { return m_detail; }

private:
    QByteArray m_list;
    QByteArray m_detail;
};

// The first `capacity` UTF-16 units of `text`, up to its first zero unit,
// without leaving half of a surrogate pair at the end.
QString cutToCapacity(const QString& text, int capacity);

} // namespace tolvane::admin
