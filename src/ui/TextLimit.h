#pragma once

class QLineEdit;

namespace tolvane::ui {

// Limits what the operator can type into `edit` to `limit` characters the way a
// Windows edit limit does: a longer text the program has already put there is kept
// whole (QLineEdit::setMaxLength would cut it), the operator can shorten it but not
// lengthen it. Call after setting the initial text.
void setTypingLimit(QLineEdit* edit, int limit);

} // namespace tolvane::ui
