#pragma once

// Small pieces the benchmarks share: the offscreen platform, a console's data
// directory made in advance, waiting on the event loop without sleeping, and
// figures for the summary lines.

#include "broadcast/DataDirectory.h"
#include "net/CClientASock.h"
#include "ui/CTolvaneDeskDlg.h"
#include "ui/MessageBoxPrompts.h"
#include "ui/MessageBoxSeam.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

namespace benchsupport {

// The benchmarks show no window; the caller may still choose a platform.
inline void preferOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The data directory beside `programDir` as a first start leaves it (sample list and
// schedule file), so the console starts without its first-start boxes.
inline bool makeDataDirectory(const QString& programDir)
{
    const QString previous = QDir::currentPath();
    const bool ok =
        QDir().mkpath(programDir) && tolvane::broadcast::EnsureDataDirectory(programDir).made.ok();
    QDir::setCurrent(previous);
    return ok;
}

// Any box would wait for a person: each one is answered at once and reported, so
// a benchmark that meets one can say that its figures are not the usual path.
inline int& boxCount()
{
    static int count = 0;
    return count;
}

inline void answerBoxes()
{
    tolvane::ui::setMessageBoxResponder([](const tolvane::ui::MessageBoxRequest& box) {
        ++boxCount();
        std::fprintf(stderr, "message box answered: %s\n", qPrintable(box.text));
        return QMessageBox::Ok;
    });
}

// Runs the event loop until `done` holds or `timeoutMs` has passed; `done` is
// tested every `pollMs`. The loop blocks in between, as the program's own does,
// so timers of the code under measurement are not delayed by the waiting.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs, int pollMs = 5)
{
    if (done())
        return true;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.hasExpired(timeoutMs))
            loop.quit();
    });
    poll.start(pollMs);
    loop.exec();
    return done();
}

// Waits for the console's connection, logs in and waits for the acceptance; says on
// stderr what did not happen.
// The window over a console of its own, wired and started as the program does it.
struct Desk
{
    explicit Desk(tolvane::console::ConsoleOptions options)
        : console(std::move(options), prompts, nullptr, madeSocket()), window(console, prompts)
    {
        console.start();
    }
    tolvane::net::ServerConnection* connection = nullptr; // owned by the console
    tolvane::ui::MessageBoxPrompts prompts;
    tolvane::console::Console console;
    tolvane::ui::CTolvaneDeskDlg window;

private:
    std::unique_ptr<tolvane::net::ServerConnection> madeSocket()
    {
        auto socket = std::make_unique<tolvane::net::CClientASock>();
        connection = socket.get();
        return socket;
    }
};

inline bool connectAndLogIn(Desk& desk)
{
    tolvane::ui::CTolvaneDeskDlg& window = desk.window;
    if (!waitUntil([&] { return desk.connection->isConnected(); }, 5000)) {
        std::fprintf(stderr, "the console did not connect: %s\n",
                     qPrintable(desk.connection->lastError()));
        return false;
    }
    window.controller().login();
    if (!waitUntil(
            [&] {
                return window.controller().linkState() == tolvane::console::LinkState::LoggedIn;
            },
            5000)) {
        std::fprintf(stderr, "the login was not accepted\n");
        return false;
    }
    return true;
}

// Runs the event loop for `ms` without doing anything else.
inline void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// How long the main thread of process `pid` has been ready to run but waiting for a
// CPU, in nanoseconds, from Linux's scheduler statistics; -1 where they cannot be read.
// On a shared machine this tells a late timer apart from a slow program.
inline qint64 runQueueWaitNs(const QString& pid = QStringLiteral("self"))
{
    QFile file(QStringLiteral("/proc/%1/schedstat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = file.readAll().trimmed().split(' ');
    bool ok = false;
    const qint64 wait = fields.value(1).toLongLong(&ok);
    return ok ? wait : -1;
}

// Microseconds in which at least one task of the machine waited for a CPU, since
// boot (Linux pressure stall information); -1 where it cannot be read.
inline qint64 cpuPressureUs()
{
    QFile file(QStringLiteral("/proc/pressure/cpu"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray some = file.readLine();
    const qsizetype at = some.indexOf("total=");
    bool ok = false;
    const qint64 total = at < 0 ? 0 : some.mid(at + 6).trimmed().toLongLong(&ok);
    return ok ? total : -1;
}

// One line on how busy the machine was while a benchmark ran.
class MachineLoad
{
public:
    MachineLoad() : m_waitNs(runQueueWaitNs()), m_pressureUs(cpuPressureUs()) { m_clock.start(); }

    QByteArray describe() const
    {
        const double elapsedMs = double(m_clock.nsecsElapsed()) / 1e6;
        const qint64 wait = runQueueWaitNs();
        const qint64 pressure = cpuPressureUs();
        QByteArray text = "during the run (" + QByteArray::number(elapsedMs / 1000, 'f', 1) + " s)";
        if (wait >= 0 && m_waitNs >= 0)
            text += ", the main thread waited " +
                    QByteArray::number(double(wait - m_waitNs) / 1e6, 'f', 1) + " ms for a CPU";
        if (pressure >= 0 && m_pressureUs >= 0)
            text += ", some task of the machine waited for a CPU " +
                    QByteArray::number(double(pressure - m_pressureUs) / 10 / elapsedMs, 'f', 0) +
                    " % of the time";
        QFile loadavg(QStringLiteral("/proc/loadavg"));
        if (loadavg.open(QIODevice::ReadOnly))
            text += ", load average " + loadavg.readAll().split(' ').value(0);
        return text;
    }

private:
    QElapsedTimer m_clock;
    qint64 m_waitNs;
    qint64 m_pressureUs;
};

// CPU time of all threads of a process in nanoseconds, from the scheduler's
// statistics: finer than the 10 ms ticks of /proc/<pid>/stat, for short idle runs.
inline std::optional<qint64> cpuNs(qint64 pid)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    const QStringList ids = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (ids.isEmpty())
        return std::nullopt;
    qint64 sum = 0;
    for (const QString& id : ids) {
        QFile file(tasks.filePath(id + QStringLiteral("/schedstat")));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        sum += file.readAll().split(' ').value(0).toLongLong();
    }
    return sum;
}

// A size field of /proc/<pid>/status in kB ("VmRSS:" resident memory, "VmHWM:"
// its peak); `pid` may be "self". Linux only.
inline std::optional<qint64> statusKb(const QString& pid, const char* field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return std::nullopt;
}

// Ends a program the benchmark started: asked first, then killed.
inline void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

// Starts the substitute server `program` as a process of its own with `arguments`
// (say "--port", "0"); returns the port it listens on, or 0 when it did not start
// within `timeoutMs`.
inline quint16 startSimProcess(QProcess& sim, const QString& program, const QStringList& arguments,
                               int timeoutMs = 10000)
{
    sim.setProgram(program);
    sim.setArguments(arguments);
    sim.start();
    static const QRegularExpression listening(QStringLiteral("listening on \\S+ port (\\d+)"));
    QByteArray out;
    quint16 port = 0;
    waitUntil(
        [&] {
            out += sim.readAllStandardOutput();
            const QRegularExpressionMatch m = listening.match(QString::fromUtf8(out));
            if (m.hasMatch())
                port = quint16(m.captured(1).toUInt());
            return port != 0 || sim.state() == QProcess::NotRunning;
        },
        timeoutMs, 1);
    if (port == 0)
        std::fprintf(stderr, "velmira-sim did not start: %s%s\n", out.constData(),
                     sim.readAllStandardError().constData());
    return port;
}

inline double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline double maximum(const QList<double>& values)
{
    return values.isEmpty() ? 0 : *std::max_element(values.cbegin(), values.cend());
}

// 10000 as "10,000", as the summary lines write counts.
inline QByteArray grouped(qint64 n)
{
    QByteArray digits = QByteArray::number(n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, ',');
    return digits;
}

} // namespace benchsupport
