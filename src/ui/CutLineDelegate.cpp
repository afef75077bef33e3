#include "ui/CutLineDelegate.h"

#include "ui/BroadcastCut.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

namespace tolvane::ui {

CutLineDelegate::CutLineDelegate(int capBytes, QObject* parent)
    : QStyledItemDelegate(parent), m_capBytes(capBytes)
{}

bool CutLineDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event && view && event->type() == QEvent::ToolTip && index.isValid() &&
        !index.data(Qt::ToolTipRole).isValid()) {
        const BroadcastCut cut = broadcastCut(index.data(Qt::DisplayRole).toString(), m_capBytes);
        if (cut.isCut()) {
            QToolTip::showText(event->globalPos(), cutNotice(cut), view->viewport(), option.rect);
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

} // namespace tolvane::ui
