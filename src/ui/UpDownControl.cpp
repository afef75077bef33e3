#include "ui/UpDownControl.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace tolvane::ui {

UpDownControl::UpDownControl(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    setFocusPolicy(Qt::StrongFocus);
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    m_up->setObjectName(QStringLiteral("up"));
    m_down->setObjectName(QStringLiteral("down"));
    // They have no caption; a screen reader still has to tell them apart.
    m_up->setAccessibleName(QStringLiteral("上へ"));
    m_down->setAccessibleName(QStringLiteral("下へ"));
    connect(m_up, &QToolButton::clicked, this, &UpDownControl::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDownControl::stepDown);
}

void UpDownControl::setRange(int lower, int upper)
{
    m_min = qMin(lower, upper);
    m_max = qMax(lower, upper);
    setPos(m_pos);
}

void UpDownControl::setPos(int pos)
{
    const int clamped = qBound(m_min, pos, m_max);
    const bool changed = clamped != m_pos;
    m_pos = clamped;
    showInBuddy();
    if (changed)
        Q_EMIT valueChanged(m_pos);
}

void UpDownControl::setBuddy(QWidget* buddy)
{
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (m_buddy)
        m_buddy->installEventFilter(this);
    showInBuddy();
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event)
{
    // The arrow keys step the position from the buddy as from the control itself.
    if (watched == m_buddy && event->type() == QEvent::KeyPress && isEnabled()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            key == Qt::Key_Up ? stepUp() : stepDown();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDownControl::showInBuddy()
{
    const QString text = QString::number(m_pos);
    if (auto* label = qobject_cast<QLabel*>(m_buddy.data()))
        label->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(m_buddy.data()))
        edit->setText(text);
}

void UpDownControl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up)
        stepUp();
    else if (event->key() == Qt::Key_Down)
        stepDown();
    else
        QWidget::keyPressEvent(event);
}

void UpDownControl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int h = height() / 2;
    m_up->setGeometry(0, 0, width(), h);
    m_down->setGeometry(0, h, width(), height() - h);
}

} // namespace tolvane::ui
