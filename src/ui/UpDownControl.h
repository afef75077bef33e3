#pragma once

#include <QPointer>
#include <QWidget>

class QToolButton;

namespace tolvane::ui {

// An up-down control: two arrow buttons that step a position within a range,
// without wrapping, and write the position as a plain decimal number into a
// buddy (a label or a line edit). Answers the arrow keys, also while its buddy has
// the focus.
class UpDownControl : public QWidget
{
    Q_OBJECT
public:
    explicit UpDownControl(QWidget* parent = nullptr);

    void setRange(int lower, int upper);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    void setPos(int pos);
    int pos() const { return m_pos; }
    void setBuddy(QWidget* buddy);
    QWidget* buddy() const { return m_buddy; }

    void stepUp() { setPos(m_pos + 1); }
    void stepDown() { setPos(m_pos - 1); }

Q_SIGNALS:
    void valueChanged(int pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showInBuddy();

    QToolButton* m_up;
    QToolButton* m_down;
    QPointer<QWidget> m_buddy;
    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
};

} // namespace tolvane::ui
