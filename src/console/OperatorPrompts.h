#pragma once

#include <QString>

namespace tolvane::console {

// What the console asks and tells the operator. The window shows them as message
// boxes with the console's texts; tests answer them from a script, so the
// controller never needs a widget.
class OperatorPrompts
{
public:
    enum class Question {
        DeleteList,     // delete the list shown?
        BindShortcut,   // bind the chosen list to the slot?
        UnbindShortcut, // release the slot?
    };
    enum class Notice {
        DataDirectoryCreated,
        DataDirectoryFailed,
        SampleListWritten,
        SampleListFailed,
        TimeSignalFileWritten,
        TimeSignalFileFailed,
        NoListToBroadcast, // the start button with no list chosen
        NoListSelected,    // delete or edit with no list chosen
        ListUnreadable,    // detail: the list's title
        ShortcutListMissing,
        ShortcutReleased,
        NoListToBind,
        ConnectionFailed,      // the first connection attempt failed
        AccountRequestNotSent, // an account request found no link
        // The object of a question changed while it was open: nothing was done.
        ListGone,        // detail: the list's title
        ShortcutChanged, // detail: the slot's number
    };

    virtual ~OperatorPrompts() = default;
    // True when the operator agrees. `slot` names the shortcut slot where one is asked about.
    virtual bool confirm(Question question, int slot = 0) = 0;
    virtual void inform(Notice notice, const QString& detail = {}) = 0;
};

} // namespace tolvane::console
