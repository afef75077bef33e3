#include "admin/AccountListModel.h"

#include "protocol/AccountMessages.h"

#include <algorithm>

namespace tolvane::admin {

using namespace tolvane::protocol;

void AccountListModel::setReply(const QByteArray& reply)
{
    beginResetModel();
    m_reply = reply;
    m_records = AccountListView(m_reply).recordCount();
    m_added.clear();
    endResetModel();
}

int AccountListModel::insertSorted(const QString& text)
{
    const int count = rowCount();
    int row = 0;
    while (row < count && QString::compare(lineAt(row), text, Qt::CaseInsensitive) <= 0)
        ++row;
    beginInsertRows({}, row, row);
    auto at = std::lower_bound(m_added.begin(), m_added.end(), row,
                               [](const auto& added, int r) { return added.first < r; });
    for (auto it = at; it != m_added.end(); ++it)
        ++it->first;
    m_added.insert(at, {row, text});
    endInsertRows();
    return row;
}

int AccountListModel::recordAt(int row) const
{
    const auto at = std::lower_bound(m_added.cbegin(), m_added.cend(), row,
                                     [](const auto& added, int r) { return added.first < r; });
    if (at != m_added.cend() && at->first == row)
        return -1;
    // The added lines above this row push the records down.
    return row - int(at - m_added.cbegin());
}

QString AccountListModel::lineAt(int row) const
{
    const int record = recordAt(row);
    if (record >= 0)
        return AccountListView(m_reply).idAt(record);
    const auto at = std::lower_bound(m_added.cbegin(), m_added.cend(), row,
                                     [](const auto& added, int r) { return added.first < r; });
    return at != m_added.cend() ? at->second : QString();
}

AccountId AccountListModel::accountAt(int row) const
{
    const int record = recordAt(row);
    return record >= 0 ? AccountListView(m_reply).accountAt(record) : AccountId();
}

int AccountListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_records + int(m_added.size());
}

QVariant AccountListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return lineAt(index.row());
}

} // namespace tolvane::admin
