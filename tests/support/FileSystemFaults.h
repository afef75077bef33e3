#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// File-system faults made real for a test: a tiny file system that fills up, and a
// directory that turns read-only even for root. Both need mount rights (root, and a
// container that allows mounting); where they are missing the guard says why, and
// the test skips.
namespace tolvane::testing {

// Runs a program to its end; empty when it succeeded, else what went wrong.
inline QString runCommand(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const QString command = program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
    if (!process.waitForStarted(10000))
        return command + QStringLiteral(": could not be started");
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(10000);
        return command + QStringLiteral(": did not finish");
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return command + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAll()).trimmed();
    return {};
}

inline bool runsAsRoot()
{
#ifdef Q_OS_UNIX
    return geteuid() == 0;
#else
    return false;
#endif
}

// A mount over a directory for as long as the guard lives.
class ScopedMount
{
public:
    ~ScopedMount() { unmount(); }
    ScopedMount(const ScopedMount&) = delete;
    ScopedMount& operator=(const ScopedMount&) = delete;

    bool active() const { return m_active; }
    // Why the mount could not be made.
    QString error() const { return m_error; }

    void unmount()
    {
        if (!m_active)
            return;
        // A lazy unmount still frees the directory when something holds it open.
        if (!runCommand(QStringLiteral("umount"), {m_path}).isEmpty())
            runCommand(QStringLiteral("umount"), {QStringLiteral("-l"), m_path});
        m_active = false;
    }

    // A tmpfs of `sizeKiB` KiB over `path`.
    static std::unique_ptr<ScopedMount> tinyFileSystem(const QString& path, int sizeKiB)
    {
        std::unique_ptr<ScopedMount> mount(new ScopedMount(path));
        mount->run({QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                    QStringLiteral("size=%1k").arg(sizeKiB), QStringLiteral("tmpfs"), path});
        return mount;
    }

    // `path` bound onto itself, read-only: refused to root as to anyone.
    static std::unique_ptr<ScopedMount> readOnlyBind(const QString& path)
    {
        std::unique_ptr<ScopedMount> mount(new ScopedMount(path));
        if (mount->run({QStringLiteral("--bind"), path, path}) &&
            !mount->run({QStringLiteral("-o"), QStringLiteral("remount,ro,bind"), path}))
            mount->unmount();
        return mount;
    }

private:
    explicit ScopedMount(QString path) : m_path(std::move(path)) {}

    bool run(const QStringList& arguments)
    {
#ifdef Q_OS_LINUX
        if (!runsAsRoot()) {
            m_error = QStringLiteral("mounting needs root");
            return false;
        }
        m_error = runCommand(QStringLiteral("mount"), arguments);
        if (!m_error.isEmpty())
            return false;
        m_active = true;
        return true;
#else
        Q_UNUSED(arguments);
        m_error = QStringLiteral("mounting is done only on Linux");
        return false;
#endif
    }

    QString m_path;
    QString m_error;
    bool m_active = false;
};

// Writes a filler file into `dir` until the file system refuses more; the bytes
// written, or -1 when the filler could not even be created. Stops at 64 MiB in any
// case, should the file system be larger than asked.
inline qint64 fillUp(const QDir& dir)
{
    QFile filler(dir.filePath(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return -1;
    const QByteArray block(4096, 'f');
    qint64 total = 0;
    while (total < 64 * 1024 * 1024) {
        const qint64 n = filler.write(block);
        if (n <= 0)
            break;
        total += n;
    }
    return total;
}

// True when a file can be created in `dir` (and is removed again).
inline bool canCreateFileIn(const QDir& dir)
{
    QFile probe(dir.filePath(QStringLiteral("probe.tmp")));
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
}

} // namespace tolvane::testing
