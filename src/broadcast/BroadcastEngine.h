#pragma once

namespace tolvane::broadcast {

// The paced list broadcast's state: how many lines of the loaded-lines view are
// still to be sent. The main window owns the pacing timer and the view; this class
// decides which line each tick sends and when the broadcast is over.
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

    void StartBroadcast(int viewLineCount) { m_remainingLines = viewLineCount; }
    void StopBroadcast() { m_remainingLines = 0; }
    // One tick of the pacing timer over a view that now holds `viewLineCount` lines.
    Tick PacingTick(int viewLineCount);

    int remainingLines() const { return m_remainingLines; }
    bool isRunning() const { return m_remainingLines > 0; }

private:
    int m_remainingLines = 0;
};

} // namespace tolvane::broadcast
