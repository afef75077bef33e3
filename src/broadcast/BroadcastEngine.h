#pragma once

namespace tolvane::broadcast {

// The paced list broadcast's state: how many lines of the loaded-lines view are
// still to be sent. The console's broadcast session owns the pacing timer and the
// lines; this class decides which line each tick sends and when the broadcast is over.
class BroadcastEngine
{
public:
    static constexpr int kPacingIntervalMs = 1500;

    struct Tick
    {
        bool send = false; // send the line at `index`
        int index = -1;
        bool finished = false; // post "broadcast over" and disarm the timer
    };

    void StartBroadcast(int viewLineCount)
    {
        m_remainingLines = viewLineCount;
        m_lastIndex = -1;
    }
    void StopBroadcast() { m_remainingLines = 0; }
    // After a broken link: the next tick sends again the line sent last (it may not
    // have arrived), or the first line when none has gone out yet. Also brings back
    // a broadcast whose last line failed.
    void resumeAtLastLine(int viewLineCount);
    // One tick of the pacing timer over a view that now holds `viewLineCount` lines.
    Tick PacingTick(int viewLineCount);

    int remainingLines() const { return m_remainingLines; }
    bool isRunning() const { return m_remainingLines > 0; }

private:
    int m_remainingLines = 0;
    int m_lastIndex = -1; // the view line the last tick sent
};

} // namespace tolvane::broadcast
