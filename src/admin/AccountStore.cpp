#include "admin/AccountStore.h"

namespace tolvane::admin {

using namespace tolvane::protocol;

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

} // namespace tolvane::admin
