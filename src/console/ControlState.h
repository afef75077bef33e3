#pragma once

#include <QList>

#include <bitset>

namespace tolvane::console {

// Where the console stands as far as its controls go: which of the main window's
// controls are enabled, and so which commands a script may give.
enum class ControlState : int {
    LoggedOut = 0,
    LoggedIn = 1,
    Broadcasting = 2,
    BroadcastOver = 3,
    // The link is down: what sends is disabled as when logged out and the login
    // button tries again; "放送中止！" stays usable while a broadcast waits.
    LinkLost = 4,
    LinkLostPaused = 5,
};

// The controls a control state enables or disables. The other controls of the
// window are always enabled, except the list commands, which the first choice of a
// list enables.
enum class Control : int {
    Login,     // "ログイン"
    LiveSend,  // "生声♪"
    Start,     // "放送します♪"
    Lines,     // the lines of the chosen list
    Stop,      // "放送中止！"
    Bind,      // "登録"
    Unbind,    // "解除"
    Accounts,  // "管理"
    Shortcut1, // "①" … "⑥"
    Shortcut2,
    Shortcut3,
    Shortcut4,
    Shortcut5,
    Shortcut6,
    DeleteList, // "削除"
    EditList,   // "編集"
};
inline constexpr int kControlCount = int(Control::EditList) + 1;

struct ControlStateRule
{
    QList<Control> enabled;
    QList<Control> disabled;
};
// The one table of what each state enables and disables; a state changes only the
// controls it names. Read by the window and by the commands.
const ControlStateRule& controlStateRule(ControlState state);

// The controls as a series of states leaves them; all disabled before the first.
class ControlStates
{
public:
    void apply(ControlState state);
    bool isEnabled(Control control) const { return m_enabled.test(size_t(control)); }
    ControlState last() const { return m_last; }

private:
    std::bitset<kControlCount> m_enabled;
    ControlState m_last = ControlState::LoggedOut;
};

} // namespace tolvane::console
