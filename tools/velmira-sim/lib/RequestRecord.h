#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QString>

namespace tolvane::sim {

// What the server saw of one request frame.
struct RequestRecord
{
    quint16 command = 0;
    QString name;        // "broadcast", "login", ...; "unknown" for other codes
    QString text;        // decoded content as logged (a login shows no password)
    QByteArray payload;  // the raw payload as received
    QDateTime timestamp; // local time of arrival
    qint64 msSinceEpoch = 0;
    qint64 elapsedNs = 0; // since the server started listening (monotonic)
    QString line;         // the log line, without line end
};

// "HH:mm:ss.zzz  <name> (<code>)  <text>"
QString formatLogLine(const QDateTime& time, quint16 command, const QString& name,
                      const QString& text);
QString commandName(quint16 command);
// Control characters made visible so one request stays on one log line.
QString printableText(const QString& text);

} // namespace tolvane::sim

Q_DECLARE_METATYPE(tolvane::sim::RequestRecord)
