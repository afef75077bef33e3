#include "console/TimeSource.h"

#include <QTimer>

namespace tolvane::console {

namespace {

class SystemTimer : public ConsoleTimer
{
public:
    explicit SystemTimer(QObject* parent) : ConsoleTimer(parent), m_timer(this)
    {
        // A coarse timer may drift by 5 % of its period; the pacing may not.
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, &ConsoleTimer::timeout);
    }
    void start(int intervalMs) override { m_timer.start(intervalMs); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }
    void setSingleShot(bool singleShot) override { m_timer.setSingleShot(singleShot); }

private:
    QTimer m_timer;
};

} // namespace

QDateTime SystemTimeSource::now() const
{
    return QDateTime::currentDateTime();
}

ConsoleTimer* SystemTimeSource::createTimer(QObject* parent)
{
    return new SystemTimer(parent);
}

SystemTimeSource& SystemTimeSource::instance()
{
    static SystemTimeSource source;
    return source;
}

} // namespace tolvane::console
