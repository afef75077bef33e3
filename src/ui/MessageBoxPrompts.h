#pragma once

#include "console/OperatorPrompts.h"

#include <QPointer>
#include <QWidget>

namespace tolvane::ui {

// The console's questions and notices as the message boxes the operator knows,
// text for text, shown over `parent`.
class MessageBoxPrompts : public console::OperatorPrompts
{
public:
    explicit MessageBoxPrompts(QWidget* parent = nullptr) : m_parent(parent) {}
    // The window the boxes show over, once there is one.
    void setParentWidget(QWidget* parent) { m_parent = parent; }

    bool confirm(Question question, int slot = 0) override;
    void inform(Notice notice, const QString& detail = {}) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace tolvane::ui
