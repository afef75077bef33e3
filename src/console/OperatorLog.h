#pragma once

#include <QDate>
#include <QDir>
#include <QFile>
#include <QString>

namespace tolvane::console {

// The operator's record of what the console did: one line per event, the local
// time to the millisecond first, appended to one UTF-8 file per day
// ("YYYY-MM-DD.log") in its own folder. Every line is handed to the system as it is
// written, so a crash loses at most the line under way. A failed write never stops
// the console: the line is dropped and the next one tries again.
class OperatorLog
{
public:
    static inline const QString kFolderName = QStringLiteral("TolvaneLog");

    explicit OperatorLog(QString folder);

    // Appends "YYYY-MM-DD hh:mm:ss.zzz <text>". Line breaks and other control
    // characters in `text` are written escaped, so one event stays one line.
    // False when the line could not be written.
    bool write(const QDateTime& localTime, const QString& text);

    QString filePath(const QDate& day) const;

    // The line as write() puts it in the file, without the line break.
    static QString formatLine(const QDateTime& localTime, const QString& text);

    // A text as it can stand inside a log line.
    static QString escaped(const QString& text);

private:
    bool openFor(const QDate& day);

    QString m_folder;
    QFile m_file;
    QDate m_day;
};

} // namespace tolvane::console
