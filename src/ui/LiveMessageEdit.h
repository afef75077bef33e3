#pragma once

#include <QLineEdit>

namespace tolvane::ui {

// The live-message box. A live message goes out cut at a few bytes, and nobody
// would see the cut until the players do, so the characters beyond it are marked
// as the operator types and the tooltip says how many go out. Typing is never
// limited, and what is sent is not this box's business.
class LiveMessageEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit LiveMessageEdit(int capBytes, QWidget* parent = nullptr);

    // The first unit marked as cut; -1 while the whole text goes out.
    qsizetype cutStart() const { return m_cutStart; }

protected:
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void showCut();

    int m_capBytes;
    qsizetype m_cutStart = -1;
    // While an input method composes, the text formats are its own: the marks
    // come back once the composition ends.
    bool m_composing = false;
    bool m_marking = false;
};

} // namespace tolvane::ui
