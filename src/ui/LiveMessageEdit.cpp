#include "ui/LiveMessageEdit.h"

#include "ui/BroadcastCut.h"

#include <QInputMethodEvent>
#include <QTextCharFormat>

namespace tolvane::ui {

LiveMessageEdit::LiveMessageEdit(int capBytes, QWidget* parent)
    : QLineEdit(parent), m_capBytes(capBytes)
{
    connect(this, &QLineEdit::textChanged, this, &LiveMessageEdit::showCut);
}

void LiveMessageEdit::inputMethodEvent(QInputMethodEvent* event)
{
    QLineEdit::inputMethodEvent(event);
    if (m_marking)
        return;
    m_composing = !event->preeditString().isEmpty();
    if (!m_composing)
        showCut();
}

void LiveMessageEdit::showCut()
{
    const BroadcastCut cut = broadcastCut(text(), m_capBytes);
    setToolTip(cut.isCut() ? cutNotice(cut) : QString());
    const qsizetype from = cut.isCut() ? cut.sentUnits : -1;
    if (m_composing || (from < 0 && m_cutStart < 0))
        return;
    m_cutStart = from;
    // A line edit formats ranges of its text only through an input method event;
    // one without preedit or commit text changes nothing else.
    QList<QInputMethodEvent::Attribute> marks;
    if (from >= 0) {
        QTextCharFormat cutFormat;
        cutFormat.setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
        cutFormat.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        cutFormat.setUnderlineColor(Qt::red);
        marks.append({QInputMethodEvent::TextFormat, int(from - cursorPosition()),
                      int(text().size() - from), QVariant::fromValue(QTextFormat(cutFormat))});
    }
    QInputMethodEvent event(QString(), marks);
    m_marking = true;
    QLineEdit::inputMethodEvent(&event);
    m_marking = false;
}

} // namespace tolvane::ui
