#include "console/BroadcastSession.h"

#include "console/LinkSupervisor.h"
#include "protocol/BroadcastRequest.h"

#include <utility>

namespace tolvane::console {

using namespace Qt::StringLiterals;

BroadcastSession::BroadcastSession(TimeSource& time, LinkSupervisor& link, QObject* parent)
    : QObject(parent), m_link(link), m_pacingTimer(time.createTimer(this))
{
    connect(m_pacingTimer, &ConsoleTimer::timeout, this, &BroadcastSession::PacingTick);
}

void BroadcastSession::setLines(const QString& title, const QStringList& lines)
{
    m_title = title;
    m_lines = lines;
    Q_EMIT linesChanged(m_lines);
}

void BroadcastSession::StartBroadcast()
{
    m_paused = false;
    m_engine.StartBroadcast(int(m_lines.size()));
    m_pacingTimer->start(broadcast::BroadcastEngine::kPacingIntervalMs); // restarts the period
    Q_EMIT started();
}

void BroadcastSession::StopBroadcast()
{
    // The pacing timer stays armed; its ticks find nothing to send.
    m_engine.StopBroadcast();
    if (std::exchange(m_paused, false)) {
        Q_EMIT abandoned();
        return;
    }
    Q_EMIT finished();
}

void BroadcastSession::pause()
{
    // The line under way may not have arrived: it goes out again after the login.
    m_engine.resumeAtLastLine(int(m_lines.size()));
    m_pacingTimer->stop();
    m_paused = true;
}

void BroadcastSession::pauseForLostLink()
{
    if (m_engine.isRunning() || m_paused)
        pause();
}

void BroadcastSession::resume()
{
    if (!std::exchange(m_paused, false))
        return;
    m_pacingTimer->start(broadcast::BroadcastEngine::kPacingIntervalMs);
    Q_EMIT started();
}

void BroadcastSession::PacingTick()
{
    const broadcast::BroadcastEngine::Tick tick = m_engine.PacingTick(int(m_lines.size()));
    if (tick.send) {
        Q_EMIT currentLineChanged(tick.index);
        const QString& line = m_lines.at(tick.index);
        if (!m_link.send(protocol::buildBroadcastRequest(line, protocol::kLineCap)) &&
            !m_link.isUp()) {
            // The link broke under this line (the last one too): it waits, and goes out
            // after the login.
            pause();
            // A link thought up is lost by this; one already down says so itself.
            if (isLinkMade(m_link.state()))
                m_link.reportSendFailure();
            else
                Q_EMIT pausedForLink();
            return;
        }
        Q_EMIT logged(u"送信 リスト「"_s + m_title + u"」 "_s + QString::number(tick.index + 1) +
                      u"/"_s + QString::number(m_lines.size()) + u"："_s +
                      protocol::textCarried(line, protocol::kLineCap));
    }
    if (tick.finished) {
        Q_EMIT finished();
        m_pacingTimer->stop();
    }
}

void BroadcastSession::shutDown()
{
    m_pacingTimer->stop();
}

} // namespace tolvane::console
