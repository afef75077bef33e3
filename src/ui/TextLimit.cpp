#include "ui/TextLimit.h"

#include <QLineEdit>

namespace tolvane::ui {

void setTypingLimit(QLineEdit* edit, int limit)
{
    const auto follow = [edit, limit](const QString& text) {
        // Never below the current length, so nothing already there is cut.
        edit->setMaxLength(qMax(limit, int(text.size())));
    };
    follow(edit->text());
    QObject::connect(edit, &QLineEdit::textChanged, edit, follow);
}

} // namespace tolvane::ui
