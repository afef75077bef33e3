#include "ManualTimeSource.h"

#include <QCoreApplication>

namespace testsupport {

class ManualTimer : public tolvane::console::ConsoleTimer
{
public:
    ManualTimer(ManualTimeSource& source, QObject* parent) : ConsoleTimer(parent), m_source(source)
    {}

    void start(int intervalMs) override
    {
        m_interval = qMax(intervalMs, 0);
        m_due = m_source.m_elapsed + m_interval;
        m_order = ++m_source.m_sequence;
        m_active = true;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    void setSingleShot(bool singleShot) override { m_singleShot = singleShot; }

    ManualTimeSource& m_source;
    int m_interval = 0;
    qint64 m_due = 0;
    quint64 m_order = 0;
    bool m_active = false;
    bool m_singleShot = false;
};

namespace {

// Counts the events the application delivers, so a caller can tell when a pass over
// the posted events delivered nothing.
class DeliveryCounter : public QObject
{
public:
    quint64 delivered = 0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        ++delivered;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void ManualTimeSource::deliverPostedEvents()
{
    static DeliveryCounter* counter = [] {
        auto* c = new DeliveryCounter;
        c->moveToThread(QCoreApplication::instance()->thread());
        QCoreApplication::instance()->installEventFilter(c);
        return c;
    }();
    for (int pass = 0; pass < 1000; ++pass) {
        const quint64 before = counter->delivered;
        QCoreApplication::sendPostedEvents();
        if (counter->delivered == before)
            return;
    }
}

ManualTimeSource::ManualTimeSource(const QDateTime& start)
    : m_start(start.date(), start.time(), Qt::UTC) // fixed fields: no zone rules on the way
{}

tolvane::console::ConsoleTimer* ManualTimeSource::createTimer(QObject* parent)
{
    auto* timer = new ManualTimer(*this, parent);
    m_timers.append(timer);
    return timer;
}

void ManualTimeSource::advance(qint64 ms)
{
    const qint64 target = m_elapsed + qMax<qint64>(ms, 0);
    for (;;) {
        ManualTimer* next = nullptr;
        for (const QPointer<ManualTimer>& t : std::as_const(m_timers)) {
            if (!t || !t->m_active || t->m_due > target)
                continue;
            if (!next || t->m_due < next->m_due ||
                (t->m_due == next->m_due && t->m_order < next->m_order))
                next = t;
        }
        if (!next)
            break;
        m_elapsed = next->m_due;
        if (next->m_singleShot) {
            next->m_active = false;
        } else {
            // A precise timer does not drift; a zero period still lets time move on.
            next->m_due += qMax(next->m_interval, 1);
            next->m_order = ++m_sequence;
        }
        Q_EMIT next->timeout();
        deliverPostedEvents();
    }
    m_elapsed = target;
    deliverPostedEvents();
}

void ManualTimeSource::advanceTo(const QTime& time)
{
    qint64 ms = now().time().msecsTo(time);
    if (ms <= 0)
        ms += 24 * 3600 * 1000;
    advance(ms);
}

int ManualTimeSource::activeTimers() const
{
    int n = 0;
    for (const QPointer<ManualTimer>& t : m_timers)
        n += t && t->m_active ? 1 : 0;
    return n;
}

} // namespace testsupport
