#pragma once

#include "protocol/AccountMessages.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

namespace tolvane::admin {

// The lines of the account list box: the IDs of one list reply, read from its
// records only when a line is asked for, and the lines added to them since. A
// million accounts cost the reply's bytes and nothing per line.
class AccountListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // Every line is replaced by the records of `reply` (a list reply payload,
    // shared, not copied), line i being record i.
    void setReply(const QByteArray& reply);
    // Adds `text` where a sorted list box places an added line (before the first
    // line that sorts after it, ignoring case) and returns its row; the other
    // lines keep their order.
    int insertSorted(const QString& text);

    QString lineAt(int row) const;
    // The account a line names: its record's ID; none for an added line.
    protocol::AccountId accountAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    // The record a row shows; -1 for an added line.
    int recordAt(int row) const;

    QByteArray m_reply;
    int m_records = 0;
    // Added lines by row, rows ascending; the records fill the rows in between.
    QList<std::pair<int, QString>> m_added;
};

} // namespace tolvane::admin
