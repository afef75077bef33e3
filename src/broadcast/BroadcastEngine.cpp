#include "broadcast/BroadcastEngine.h"

namespace tolvane::broadcast {

BroadcastEngine::Tick BroadcastEngine::PacingTick(int viewLineCount)
{
    Tick t;
    if (m_remainingLines <= 0)
        return t;
    if (viewLineCount < m_remainingLines) {
        // The view was replaced by a shorter list, or emptied by a deletion, while the
        // broadcast ran: the next line would lie before the first one. End the
        // broadcast as a stop does rather than read outside the view.
        m_remainingLines = 0;
        t.finished = true;
        return t;
    }
    t.send = true;
    t.index = viewLineCount - m_remainingLines;
    m_lastIndex = t.index;
    --m_remainingLines;
    t.finished = m_remainingLines == 0;
    return t;
}

void BroadcastEngine::resumeAtLastLine(int viewLineCount)
{
    if (m_lastIndex >= 0 && m_lastIndex < viewLineCount)
        m_remainingLines = viewLineCount - m_lastIndex;
}

} // namespace tolvane::broadcast
