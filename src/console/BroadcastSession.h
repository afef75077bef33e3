#pragma once

#include "broadcast/BroadcastEngine.h"
#include "console/TimeSource.h"

#include <QObject>
#include <QStringList>

namespace tolvane::console {

class LinkSupervisor;

// The paced list broadcast: the loaded lines, the engine that picks the line of each
// tick, the pacing timer (timer 1: one line every 1500 ms) and the pause across a
// lost link. A paused broadcast goes on from the line that was under way, which may
// not have arrived.
class BroadcastSession : public QObject
{
    Q_OBJECT
public:
    // `time` and `link` outlive the session.
    BroadcastSession(TimeSource& time, LinkSupervisor& link, QObject* parent = nullptr);

    // The lines in view and the list they came from.
    void setLines(const QString& title, const QStringList& lines);
    QString title() const { return m_title; }
    const QStringList& lines() const { return m_lines; }

    void StartBroadcast();
    void StopBroadcast();
    // The link broke: a broadcast under way (or already waiting) waits for it.
    void pauseForLostLink();
    // The link is back: a waiting broadcast goes on.
    void resume();
    void PacingTick();
    // The pacing stops for good.
    void shutDown();

    bool isPaused() const { return m_paused; }
    bool isPacingTimerActive() const { return m_pacingTimer->isActive(); }
    const broadcast::BroadcastEngine& engine() const { return m_engine; }

Q_SIGNALS:
    void linesChanged(const QStringList& lines);
    // The line being sent is highlighted.
    void currentLineChanged(int row);
    // Started, or resumed after a lost link.
    void started();
    // The last line went out, the view ran short, or the operator stopped it.
    void finished();
    // The operator stopped it while it waited for the link: nothing resumes.
    void abandoned();
    // It waits for the link, which was already down when its line failed.
    void pausedForLink();
    // A line for the operator's log.
    void logged(const QString& text);

private:
    void pause();

    LinkSupervisor& m_link;
    broadcast::BroadcastEngine m_engine;
    QString m_title; // the list the lines in view came from
    QStringList m_lines;
    bool m_paused = false;
    ConsoleTimer* m_pacingTimer;
};

} // namespace tolvane::console
