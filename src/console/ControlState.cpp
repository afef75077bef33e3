#include "console/ControlState.h"

#include <iterator>

namespace tolvane::console {

const ControlStateRule& controlStateRule(ControlState state)
{
    using C = Control;
    static const QList<C> broadcastControls = {
        C::Start,     C::Lines,     C::Bind,      C::Unbind,    C::Accounts, C::Shortcut1,
        C::Shortcut2, C::Shortcut3, C::Shortcut4, C::Shortcut5, C::Shortcut6};
    static const QList<C> linkLostControls = broadcastControls + QList<C>{C::LiveSend};
    static const ControlStateRule rules[] = {
        // 0, logged out
        {{C::Login},
         {C::Bind, C::Unbind, C::Accounts, C::Shortcut1, C::Shortcut2, C::Shortcut3, C::Shortcut4,
          C::Shortcut5, C::Shortcut6, C::LiveSend, C::Lines, C::Start, C::Stop, C::DeleteList,
          C::EditList}},
        // 1, logged in
        {{C::Bind, C::Unbind, C::Accounts, C::Shortcut1, C::Shortcut2, C::Shortcut3, C::Shortcut4,
          C::Shortcut5, C::Shortcut6, C::LiveSend, C::Lines, C::Start},
         {C::Login, C::Stop}},
        // 2, broadcasting
        {{C::Stop}, broadcastControls},
        // 3, broadcast over
        {broadcastControls, {C::Stop}},
        // 4, the link is down: what sends is off, the login button tries again
        {{C::Login}, linkLostControls + QList<C>{C::Stop}},
        // 5, the link is down while a broadcast waits for it: it can still be stopped
        {{C::Login, C::Stop}, linkLostControls},
    };
    static const ControlStateRule none;
    const int index = int(state);
    return index >= 0 && index < int(std::size(rules)) ? rules[index] : none;
}

void ControlStates::apply(ControlState state)
{
    const ControlStateRule& rule = controlStateRule(state);
    for (const Control c : rule.enabled)
        m_enabled.set(size_t(c));
    for (const Control c : rule.disabled)
        m_enabled.reset(size_t(c));
    m_last = state;
}

} // namespace tolvane::console
