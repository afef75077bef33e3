#pragma once

// A temporary folder that holds the program's place: the program directory, the
// settings file and the data directory the console finds beside the program.

#include "broadcast/MessageListStore.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

namespace testsupport {

class ProgramFolder
{
public:
    ProgramFolder()
        : program(m_tmp.filePath(QStringLiteral("program"))),
          ini(m_tmp.filePath(QStringLiteral("Tolvane.ini")))
    {
        QDir().mkpath(program);
    }
    // The console makes its data directory the current one, and Windows removes no
    // directory that is a process's current directory.
    ~ProgramFolder() { QDir::setCurrent(m_cwd); }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    // A path inside the temporary folder.
    QString tempPath(const QString& name) const { return m_tmp.filePath(name); }
    QDir dataDir() const { return QDir(program + QStringLiteral("/TolvaneData")); }

    // An existing data directory (no first-start notices) holding these lists.
    void makeDataDirectory(const QMap<QString, QStringList>& lists = {}) const
    {
        QDir().mkpath(dataDir().path());
        for (auto it = lists.begin(); it != lists.end(); ++it) {
            if (!tolvane::broadcast::WriteListFile(dataDir(), it.key(), it.value()).ok())
                QTest::qFail("the list could not be written", __FILE__, __LINE__);
        }
    }

    // The operator's log of `day`, one entry a line, without the time stamps.
    QStringList logLines(const QString& day = QStringLiteral("2026-12-09")) const
    {
        QFile f(program + QStringLiteral("/TolvaneLog/") + day + QStringLiteral(".log"));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
        lines.removeLast(); // after the last line end
        for (QString& line : lines)
            line = line.mid(24); // "2026-12-09 12:00:00.000 "
        return lines;
    }

private:
    const QString m_cwd = QDir::currentPath();
    QTemporaryDir m_tmp; // before the paths that lie in it

public:
    // Where the program lies; a test may point it elsewhere before starting it.
    QString program;
    const QString ini;
};

} // namespace testsupport
