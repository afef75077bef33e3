#pragma once

#include <QDateTime>
#include <QObject>

namespace tolvane::console {

// A timer handed out by a TimeSource. Like a precise QTimer: a repeating timer's
// period does not drift, and starting an armed timer restarts its period.
class ConsoleTimer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual void setSingleShot(bool singleShot) = 0;

Q_SIGNALS:
    void timeout();
};

// The one seam through which the console sees time: the local wall clock and
// timers. The program uses the system's; tests
// use a manual source that advances time without waiting.
class TimeSource
{
public:
    virtual ~TimeSource() = default;

    // The local time of the system clock.
    virtual QDateTime now() const = 0;
    // A new, stopped timer owned by `parent`.
    virtual ConsoleTimer* createTimer(QObject* parent) = 0;
};

// Precise QTimers and the real clock.
class SystemTimeSource : public TimeSource
{
public:
    QDateTime now() const override;
    ConsoleTimer* createTimer(QObject* parent) override;

    // One for the whole program.
    static SystemTimeSource& instance();
};

} // namespace tolvane::console
