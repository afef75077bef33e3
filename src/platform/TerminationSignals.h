#pragma once

#include <QObject>

class QSocketNotifier;

namespace tolvane::platform {

// Turns the requests to end the program (POSIX: SIGTERM and SIGINT; Windows: Ctrl+C,
// Ctrl+Break, closing the console window, log-off and shutdown) into a signal on the
// event loop's thread, so the program ends in its own time: timers stopped, the log
// flushed. One object at a time; the handlers are removed when it goes.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    bool isInstalled() const { return m_installed; }
    // The name of a signal number delivered by terminationRequested ("SIGTERM").
    static QString signalName(int signalNumber);

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    void onReadable();

    bool m_installed = false;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace tolvane::platform
