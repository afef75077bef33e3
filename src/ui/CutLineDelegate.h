#pragma once

#include <QStyledItemDelegate>

namespace tolvane::ui {

// Gives the lines of a list that go out cut at `capBytes` a tooltip that says so;
// a line's own tooltip, if it has one, wins.
class CutLineDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    CutLineDelegate(int capBytes, QObject* parent);

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    int m_capBytes;
};

} // namespace tolvane::ui
