#pragma once

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QString>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

// Ways to make a file write fail in a test, for checking that a failed write leaves
// the old file whole.
namespace tolvane::testing {

// Makes `dir` read-only for as long as it lives. Running as root, the directory stays
// writable all the same; writable() tells, so the caller can skip.
class ReadOnlyDirectory
{
public:
    explicit ReadOnlyDirectory(const QString& path) : m_path(path), m_old(QFile::permissions(path))
    {
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther);
    }
    ~ReadOnlyDirectory() { QFile::setPermissions(m_path, m_old); }
    ReadOnlyDirectory(const ReadOnlyDirectory&) = delete;
    ReadOnlyDirectory& operator=(const ReadOnlyDirectory&) = delete;

    // Tries it: creates and removes a probe file.
    bool writable() const
    {
        QFile probe(QDir(m_path).filePath(QStringLiteral("probe.tmp")));
        if (!probe.open(QIODevice::WriteOnly))
            return false;
        probe.close();
        probe.remove();
        return true;
    }

private:
    QString m_path;
    QFileDevice::Permissions m_old;
};

#ifdef Q_OS_UNIX
// Lowers the process's file size limit, which binds root too: a write that would
// grow a file past `bytes` fails (with the signal it raises ignored).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};
#endif

} // namespace tolvane::testing
